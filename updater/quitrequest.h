#ifndef KESTRIX_QUITREQUEST_H
#define KESTRIX_QUITREQUEST_H

// Quits the application when a mandatory update is declined or cancelled: at
// once when its main event loop runs, else as soon as that loop starts.
void quitApplication();

#endif // KESTRIX_QUITREQUEST_H

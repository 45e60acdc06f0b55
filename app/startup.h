// The program's start-up around its application object. main() and the
// tests both run it, so that a window built by a test is laid out and
// numbered as the program's own.
#ifndef KESTRIX_STARTUP_H
#define KESTRIX_STARTUP_H

// Before the QApplication is built: what Qt reads only as it starts.
void start_up_before_application();

// Once the QApplication exists, before any window is built.
void start_up_application();

#endif // KESTRIX_STARTUP_H

#include "quitrequest.h"

#include <QCoreApplication>
#include <QTimer>

void quitApplication()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application)
        return;
    QCoreApplication::quit();

    // A quit asked for before the main event loop runs (a notice answered in
    // a box's loop while the main window is still being built) is forgotten
    // when that loop starts. So the quit is asked again from every pass of
    // the event loop until the application reports that it is quitting.
    auto *again = new QTimer(application);
    QObject::connect(again, &QTimer::timeout, application, &QCoreApplication::quit);
    QObject::connect(application, &QCoreApplication::aboutToQuit, again, [again] {
        again->stop();
        again->deleteLater();
    });
    again->start(0);
}

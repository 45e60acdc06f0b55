#include "mainwindow.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The images are compiled into the static core library.
    Q_INIT_RESOURCE(resources);

    start_up_before_application();
    QApplication app(argc, argv);
    start_up_application();

    MainWindow window;
    window.show();
    return app.exec();
}

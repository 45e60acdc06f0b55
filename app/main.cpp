#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The images are compiled into the static core library.
    Q_INIT_RESOURCE(resources);

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvell_Engineering"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tarvell.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Kestrix Software"));
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);

    MainWindow window;
    window.show();
    return app.exec();
}

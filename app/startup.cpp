#include "startup.h"

#include <QCoreApplication>
#include <QLocale>

void start_up_before_application()
{
    // The windows are laid out in pixels for text at 96 dpi. On X11,
    // Qt::AA_Use96Dpi is not heeded: the fonts take QT_FONT_DPI, else the
    // desktop's Xft.dpi, else the server's DPI, so a desktop set for larger
    // text would cut captions and readouts. Qt reads the variable once,
    // with the first screen.
    qputenv("QT_FONT_DPI", "96");
}

void start_up_application()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvell_Engineering"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tarvell.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Kestrix Software"));
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    // The scales of the gauges and the plot are labelled in the default
    // locale; they must read as the program writes and reads every other
    // number ("1000", "1.5"), whatever the system's language. The date
    // texts name days and months after the system locale, not this one.
    QLocale::setDefault(QLocale::c());
}

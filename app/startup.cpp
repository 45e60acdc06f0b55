#include "startup.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtNumeric>

#include <limits>

QByteArray font_dpi_for_screen_scale_factors(const QByteArray &factors)
{
    // Qt takes each entry as "factor" (screens in order) or "name=factor"
    // and passes over an empty or unreadable one; so do we.
    double common = 0;
    for (const QByteArray &entry : factors.split(';')) {
        const QByteArray text = entry.mid(entry.lastIndexOf('=') + 1).trimmed();
        bool ok = false;
        const double factor = text.toDouble(&ok);
        if (!ok || !(factor > 0) || !qIsFinite(factor))
            continue;
        if (common > 0 && factor != common)
            return QByteArray();
        common = factor;
    }
    const double dpi = 96 * (common > 0 ? common : 1);
    if (dpi >= std::numeric_limits<int>::max())
        return QByteArray();
    return QByteArray::number(qRound(dpi));
}

void start_up_before_application()
{
    // The windows are laid out in pixels for text at 96 dpi. On X11,
    // Qt::AA_Use96Dpi is not heeded: the fonts take QT_FONT_DPI, else the
    // desktop's Xft.dpi, else the server's DPI, so a desktop set for larger
    // text would cut captions and readouts. A desktop that scales Qt's
    // windows itself (QT_SCREEN_SCALE_FACTORS) has Qt divide that DPI by
    // the screen's factor, so the text would shrink inside the enlarged
    // window unless the DPI is scaled alike. Qt reads the variable once,
    // with the first screen.
    const QByteArray dpi =
        font_dpi_for_screen_scale_factors(qgetenv("QT_SCREEN_SCALE_FACTORS"));
    if (!dpi.isEmpty())
        qputenv("QT_FONT_DPI", dpi);
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

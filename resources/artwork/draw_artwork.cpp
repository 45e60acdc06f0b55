// Draws the application's images: the window icon, the three logo sizes and
// the update icon. Run through generate.sh; the output is committed, so the
// build itself never needs this program.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

namespace {

const QColor navy(18, 44, 86);
const QColor steel(196, 206, 218);
const QColor amber(242, 160, 28);

// A compressed coil spring standing between two plates, fitted into box.
void drawSpring(QPainter &p, const QRectF &box, const QColor &coil, const QColor &plate)
{
    const qreal plateH = box.height() * 0.08;
    p.setPen(Qt::NoPen);
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(box.left(), box.top(), box.width(), plateH), plateH / 3, plateH / 3);
    p.drawRoundedRect(QRectF(box.left(), box.bottom() - plateH, box.width(), plateH),
                      plateH / 3, plateH / 3);

    const int turns = 5;
    const qreal top = box.top() + plateH * 1.5;
    const qreal bottom = box.bottom() - plateH * 1.5;
    const qreal pitch = (bottom - top) / turns;
    const qreal inset = box.width() * 0.12;
    QPainterPath path(QPointF(box.left() + inset, top));
    for (int i = 0; i < turns; ++i) {
        const qreal y = top + i * pitch;
        path.lineTo(box.right() - inset, y + pitch / 2);
        path.lineTo(box.left() + inset, y + pitch);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(coil, box.width() * 0.09, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

QImage windowIcon()
{
    QImage img(256, 256, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, 256);
    bg.setColorAt(0, navy.lighter(130));
    bg.setColorAt(1, navy);
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    // Gauge arc behind the spring: the load dial of the tester.
    p.setPen(QPen(amber, 14, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(34, 34, 188, 188), -45 * 16, 270 * 16);
    drawSpring(p, QRectF(88, 62, 80, 132), Qt::white, steel);
    return img;
}

QImage logo(int width)
{
    const int height = width * 3 / 10;
    QImage img(width, height, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const qreal u = height / 10.0;
    p.setPen(Qt::NoPen);
    p.setBrush(navy);
    p.drawRoundedRect(QRectF(u * 0.5, u * 0.5, u * 9, u * 9), u * 1.6, u * 1.6);
    drawSpring(p, QRectF(u * 2.6, u * 1.6, u * 4.8, u * 6.8), Qt::white, steel);

    QFont name(QStringLiteral("DejaVu Sans"));
    name.setBold(true);
    name.setPixelSize(qRound(u * 3.7));
    name.setLetterSpacing(QFont::AbsoluteSpacing, u * 0.25);
    p.setFont(name);
    p.setPen(navy);
    const QRectF text(u * 11, u * 0.6, width - u * 11.5, u * 5.4);
    p.drawText(text, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("TARVELL"));

    p.fillRect(QRectF(u * 11, u * 6.3, width - u * 12, u * 0.35), amber);

    QFont tag(QStringLiteral("DejaVu Sans"));
    tag.setPixelSize(qRound(u * 2.0));
    p.setFont(tag);
    p.setPen(navy.lighter(160));
    p.drawText(QRectF(u * 11, u * 6.9, width - u * 11.5, u * 2.6), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("ENGINEERING"));
    return img;
}

QImage updateIcon()
{
    QImage img(96, 96, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(34, 139, 76));
    p.drawEllipse(QRectF(4, 4, 88, 88));
    // A downward arrow onto a tray: "download".
    QPainterPath arrow;
    arrow.moveTo(40, 20);
    arrow.lineTo(56, 20);
    arrow.lineTo(56, 46);
    arrow.lineTo(68, 46);
    arrow.lineTo(48, 66);
    arrow.lineTo(28, 46);
    arrow.lineTo(40, 46);
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    p.drawRoundedRect(QRectF(26, 70, 44, 7), 3, 3);
    return img;
}

bool save(const QImage &img, const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A palette image decodes in a fraction of the time of a true-colour one,
    // and the window icon and logo are decoded at every start.
    const QImage indexed = img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    if (indexed.save(path, "PNG", 9))
        return true;
    QTextStream(stderr) << "cannot write " << path << "\n";
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool ok = save(windowIcon(), out + "/Icons/256x256.png");
    ok = save(logo(600), out + "/tarvell.png") && ok;
    ok = save(logo(300), out + "/tarvell_medium.png") && ok;
    ok = save(logo(160), out + "/tarvell_small.png") && ok;
    ok = save(updateIcon(), out + "/icons/update.png") && ok;
    return ok ? 0 : 1;
}

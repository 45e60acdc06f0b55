// Whether a line edit shows a text whole: a text wider than the room the
// field gives it is scrolled, so that its first characters are not seen.
#ifndef KESTRIX_TEXT_ROOM_H
#define KESTRIX_TEXT_ROOM_H

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

// Width a line edit gives its text: the style's contents rectangle less the
// two-pixel margin that QLineEdit keeps on either side.
inline int textRoom(QLineEdit *line)
{
    QStyleOptionFrame option;
    option.initFrom(line);
    option.rect = line->rect();
    option.lineWidth = line->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, line);
    return line->style()->subElementRect(QStyle::SE_LineEditContents, &option, line).width() - 4;
}

// Empty when the text fits, otherwise what it needs against what it has.
inline QString textRoomShortfall(QLineEdit *line, const QString &text)
{
    const int needed = line->fontMetrics().horizontalAdvance(text);
    if (needed <= textRoom(line))
        return QString();
    return QStringLiteral("%1: \"%2\" needs %3 px, has %4 px")
        .arg(line->objectName(), text)
        .arg(needed)
        .arg(textRoom(line));
}

#endif // KESTRIX_TEXT_ROOM_H

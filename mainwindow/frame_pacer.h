// Readings can come faster than a screen shows them, and laying out and
// drawing the gauges costs many times more than taking a reading. This holds
// a window to one drawing a frame, the first at once, and lays out the
// gauges' boxes once at the frame's end. Every widget still takes each
// reading when it comes, so whatever draws the window within a frame (an
// expose, a box closing over it, a grab) draws every gauge with the latest
// reading.
#ifndef KESTRIX_FRAME_PACER_H
#define KESTRIX_FRAME_PACER_H

#include <QList>
#include <QObject>
#include <QTimer>

class QLayout;
class QWidget;

class FramePacer : public QObject
{
    Q_OBJECT

public:
    // `boxes`: the widgets whose layouts hold the gauges.
    FramePacer(QWidget *window, const QList<QWidget *> &boxes);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void start_frame();
    void end_frame();

    QList<QLayout *> box_layouts;
    QTimer frame;
    bool drawing_held = false;
};

#endif // KESTRIX_FRAME_PACER_H

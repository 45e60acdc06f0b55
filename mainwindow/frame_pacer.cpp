#include "frame_pacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLayout>
#include <QWidget>

namespace {
// About one screen refresh.
constexpr int frame_ms = 16;
} // namespace

FramePacer::FramePacer(QWidget *window, const QList<QWidget *> &boxes)
    : QObject(window)
{
    for (QWidget *box : boxes) {
        if (box->layout())
            box_layouts.append(box->layout());
    }
    frame.setSingleShot(true);
    frame.setInterval(frame_ms);
    connect(&frame, &QTimer::timeout, this, &FramePacer::end_frame);
    window->installEventFilter(this);
}

// Watches only the window.
bool FramePacer::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::UpdateRequest)
        return false;
    if (frame.isActive()) {
        drawing_held = true;
        return true;
    }
    start_frame();
    return false;
}

// A new label text asks its box, and through it the whole window, to be laid
// out anew; a box whose layout is off lets such requests pass unheard.
void FramePacer::start_frame()
{
    frame.start();
    for (QLayout *layout : qAsConst(box_layouts))
        layout->setEnabled(false);
}

void FramePacer::end_frame()
{
    // A resize or a new text meanwhile went unseen, so lay the boxes out afresh.
    for (QLayout *layout : qAsConst(box_layouts)) {
        layout->setEnabled(true);
        layout->invalidate();
        layout->activate();
    }
    if (drawing_held) {
        drawing_held = false;
        QCoreApplication::postEvent(parent(), new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    }
}

// Answers the modal windows (message boxes, file dialogs, the application's
// own dialogs) that the code under test opens with exec(), so that a test can
// drive a whole command and then check what was asked.
#ifndef KESTRIX_BOX_ANSWERER_H
#define KESTRIX_BOX_ANSWERER_H

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class BoxAnswerer : public QObject
{
    Q_OBJECT

public:
    // What a modal window showed when it was answered.
    struct Seen
    {
        QString className;  // e.g. "QMessageBox", "QFileDialog", "session_setup"
        QString title;
        QString text;       // message box text
        QString informativeText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    // Gets the modal window; closes it (or leaves it to the default handling).
    using Handler = std::function<void(QWidget *)>;

    explicit BoxAnswerer(QObject *parent = nullptr);

    // Handlers are used in order, one per modal window that appears; when none
    // is queued a message box gets its default button (else OK/Yes), and any
    // other dialog is rejected.
    void queue(const Handler &handler);
    int pending() const { return handlers.size(); }
    QList<Seen> seen;

    static Handler click(QMessageBox::StandardButton button);
    static Handler accept();
    static Handler reject();
    // Types the path into a file dialog and accepts it.
    static Handler chooseFile(const QString &path);

private:
    void poll();
    QTimer timer;
    QList<Handler> handlers;
    QWidget *last = nullptr;
};

#endif // KESTRIX_BOX_ANSWERER_H

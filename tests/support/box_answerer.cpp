#include "box_answerer.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>

BoxAnswerer::BoxAnswerer(QObject *parent)
    : QObject(parent)
{
    connect(&timer, &QTimer::timeout, this, &BoxAnswerer::poll);
    timer.start(20);
}

void BoxAnswerer::queue(const Handler &handler)
{
    handlers.append(handler);
}

void BoxAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    // The main window is window-modal itself; it is no box to answer, and a
    // handler spent on it would be missing for the box it was meant for.
    if (!modal || !modal->isVisible() || qobject_cast<QMainWindow *>(modal))
        return;
    Seen entry;
    entry.className = QString::fromLatin1(modal->metaObject()->className());
    entry.title = modal->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        entry.text = box->text();
        entry.informativeText = box->informativeText();
        entry.icon = box->icon();
    }
    seen.append(entry);
    QPointer<QWidget> guard(modal);
    if (!handlers.isEmpty()) {
        handlers.takeFirst()(modal);
        return;
    }
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        QAbstractButton *button = box->defaultButton();
        if (!button)
            button = box->button(QMessageBox::Ok);
        if (!button)
            button = box->button(QMessageBox::Yes);
        if (!button && !box->buttons().isEmpty())
            button = box->buttons().first();
        if (button)
            button->click();
        return;
    }
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
}

BoxAnswerer::Handler BoxAnswerer::click(QMessageBox::StandardButton button)
{
    return [button](QWidget *w) {
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            if (QAbstractButton *b = box->button(button))
                b->click();
        }
    };
}

BoxAnswerer::Handler BoxAnswerer::accept()
{
    return [](QWidget *w) {
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->accept();
    };
}

BoxAnswerer::Handler BoxAnswerer::reject()
{
    return [](QWidget *w) {
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
    };
}

BoxAnswerer::Handler BoxAnswerer::chooseFile(const QString &path)
{
    return [path](QWidget *w) {
        if (auto *dialog = qobject_cast<QFileDialog *>(w)) {
            dialog->selectFile(path);
            if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->setText(path);
            QMetaObject::invokeMethod(dialog, "accept");
        }
    };
}

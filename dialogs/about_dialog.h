#ifndef KESTRIX_ABOUT_DIALOG_H
#define KESTRIX_ABOUT_DIALOG_H

#include <QDialog>

// Placeholder until the dialog's form is built.
class about_dialog : public QDialog
{
    Q_OBJECT

public:
    explicit about_dialog(QWidget *parent = nullptr);
    ~about_dialog() override;
};

#endif // KESTRIX_ABOUT_DIALOG_H

#ifndef KESTRIX_SETTINGS_DIALOG_H
#define KESTRIX_SETTINGS_DIALOG_H

#include <QDialog>

// Placeholder until the dialog's form is built.
class settings_dialog : public QDialog
{
    Q_OBJECT

public:
    explicit settings_dialog(QWidget *parent = nullptr);
    ~settings_dialog() override;
};

#endif // KESTRIX_SETTINGS_DIALOG_H

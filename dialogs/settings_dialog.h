#ifndef KESTRIX_SETTINGS_DIALOG_H
#define KESTRIX_SETTINGS_DIALOG_H

#include <QDialog>

class Ui_settings_dialog;

// Edits the settings that outlive a session: the report's company header,
// the operator, the bind-clearance alarm and the start-up update check.
class settings_dialog : public QDialog
{
    Q_OBJECT

public:
    explicit settings_dialog(QWidget *parent = nullptr);
    ~settings_dialog() override;

private slots:
    void on_buttonBox_accepted();

private:
    Ui_settings_dialog *ui;
};

#endif // KESTRIX_SETTINGS_DIALOG_H

#ifndef KESTRIX_PREPRINT_DIALOG_H
#define KESTRIX_PREPRINT_DIALOG_H

#include <QDialog>

class Ui_preprint_dialog;

// Chooses the report type, refuses a type whose targets are missing, and
// starts the report.
class preprint_dialog : public QDialog
{
    Q_OBJECT

public:
    explicit preprint_dialog(QWidget *parent = nullptr);
    ~preprint_dialog() override;

private slots:
    void on_buttonBox_accepted();
    void on_TIH_radioButton_toggled(bool checked);
    void on_TSP_radioButton_toggled(bool checked);
    void on_TBH_radioButton_toggled(bool checked);

private:
    Ui_preprint_dialog *ui;
};

#endif // KESTRIX_PREPRINT_DIALOG_H

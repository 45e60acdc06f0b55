#ifndef KESTRIX_ABOUT_DIALOG_H
#define KESTRIX_ABOUT_DIALOG_H

#include <QDialog>

class Ui_about_dialog;

// Product identity, version and the licence notices of the libraries used.
class about_dialog : public QDialog
{
    Q_OBJECT

public:
    explicit about_dialog(QWidget *parent = nullptr);
    ~about_dialog() override;

private slots:
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();
    void on_pushButton_3_clicked();

private:
    void show_library_versions();
    void append_licence_text();

    Ui_about_dialog *ui;
};

#endif // KESTRIX_ABOUT_DIALOG_H

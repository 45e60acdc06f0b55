// Entry of the session header and the per-side engine data.
#ifndef KESTRIX_SESSION_SETUP_H
#define KESTRIX_SESSION_SETUP_H

#include <QDialog>

namespace Ui {
class session_setup;
}

class session_setup : public QDialog
{
    Q_OBJECT

public:
    explicit session_setup(QWidget *parent = nullptr);
    ~session_setup() override;

private slots:
    void on_pushButton_ok_clicked();
    void on_pushButton_cancel_clicked();
    void on_pushButton_clicked();

private:
    bool retainer_change_accepted();
    void store_fields(bool with_deflection);

    Ui::session_setup *ui;
};

#endif // KESTRIX_SESSION_SETUP_H

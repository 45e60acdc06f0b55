// Reminds the operator to set the retainer thickness before testing: it is
// subtracted from every recorded height, so changing it later means testing
// every spring again.
#ifndef KESTRIX_RETAINER_WARNING_H
#define KESTRIX_RETAINER_WARNING_H

#include <QDialog>

namespace Ui {
class retainer_warning;
}

class retainer_warning : public QDialog
{
    Q_OBJECT

public:
    explicit retainer_warning(QWidget *parent = nullptr);
    ~retainer_warning() override;

private slots:
    void on_pushButton_clicked();
    void on_checkBox_toggled(bool checked);

private:
    Ui::retainer_warning *ui;
};

#endif // KESTRIX_RETAINER_WARNING_H

// Deflection factor of each side from the valve lift measured at the valve.
#ifndef KESTRIX_DEFLECTION_CALC_H
#define KESTRIX_DEFLECTION_CALC_H

#include <QDialog>

namespace Ui {
class deflection_calc;
}

class deflection_calc : public QDialog
{
    Q_OBJECT

public:
    explicit deflection_calc(QWidget *parent = nullptr);
    ~deflection_calc() override;

private slots:
    void on_buttonBox_accepted();

private:
    Ui::deflection_calc *ui;
};

#endif // KESTRIX_DEFLECTION_CALC_H

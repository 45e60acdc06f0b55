#include "deflection_calc.h"
#include "ui_deflection_calc.h"

#include "globals.h"
#include "session_setup.h"
#include "typed_number.h"

#include <QDebug>

#include <cmath>

namespace {

// Signed: a valve that opens less than its theoretical lift has a positive
// factor. A side whose lifts give no finite factor (theoretical lift the
// negative of the measured one) keeps the factor it had.
double deflection_percent(double theoretical, double measured, double previous)
{
    const double factor = (theoretical - measured) / ((theoretical + measured) * 0.5) * 100.0;
    return std::isfinite(factor) ? factor : previous;
}

} // namespace

deflection_calc::deflection_calc(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::deflection_calc)
{
    ui->setupUi(this);

    in_theoretical_lift = in_valve_lift - in_valve_lash;
    ex_theoretical_lift = ex_valve_lift - ex_valve_lash;
    ui->label_4->setText(QString::number(in_theoretical_lift, 'f', 3));
    ui->label_5->setText(QString::number(ex_theoretical_lift, 'f', 3));
    ui->lineEdit->setText(QString::number(in_measured_lift, 'f', 3));
    ui->lineEdit_2->setText(QString::number(ex_measured_lift, 'f', 3));
}

deflection_calc::~deflection_calc()
{
    delete ui;
}

void deflection_calc::on_buttonBox_accepted()
{
    in_measured_lift = typed_double(ui->lineEdit->text());
    ex_measured_lift = typed_double(ui->lineEdit_2->text());
    if (in_measured_lift > 0 && ex_measured_lift > 0) {
        in_deflection = deflection_percent(in_theoretical_lift, in_measured_lift, in_deflection);
        ex_deflection = deflection_percent(ex_theoretical_lift, ex_measured_lift, ex_deflection);
    }
    qDebug() << in_deflection;
    qDebug() << ex_deflection;

    session_setup dialog;
    dialog.setModal(false);
    dialog.exec();
}

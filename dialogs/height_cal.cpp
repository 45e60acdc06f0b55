#include "height_cal.h"
#include "ui_height_cal.h"

#include "globals.h"
#include "typed_number.h"

height_cal::height_cal(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_height_cal)
{
    ui->setupUi(this);
    ui->standard_height_lineEdit->setText(QString::number(standard_data_float, 'f', 3));
}

height_cal::~height_cal()
{
    delete ui;
}

// The calibration is a pure offset: the raw reading taken with the standard in
// the tester becomes the standard's height. Readings keep arriving while the
// dialog is open, so raw_height is the reading current at the press of Set.
void height_cal::on_pushButton_2_clicked()
{
    standard_data_float = typed_double(ui->standard_height_lineEdit->text());
    snapheight = raw_height;
    close();
}

void height_cal::on_pushButton_3_clicked()
{
    close();
}

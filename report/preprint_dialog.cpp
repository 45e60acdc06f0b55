#include "preprint_dialog.h"
#include "ui_preprint_dialog.h"

#include "globals.h"
#include "print_form_a.h"

#include <QMessageBox>

preprint_dialog::preprint_dialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_preprint_dialog)
{
    ui->setupUi(this);
    switch (report_type) {
    case 1:
        ui->TIH_radioButton->setChecked(true);
        break;
    case 2:
        ui->TSP_radioButton->setChecked(true);
        break;
    case 3:
        ui->TBH_radioButton->setChecked(true);
        break;
    default:
        break;
    }
}

preprint_dialog::~preprint_dialog()
{
    delete ui;
}

void preprint_dialog::on_buttonBox_accepted()
{
    const auto refuse = [this](const QString &line) {
        QMessageBox::information(this, tr("Warning"),
                                 tr("Cannot generate report.") + QLatin1Char('\n') + line,
                                 QMessageBox::Ok);
    };
    switch (report_type) {
    case 1:
        if (in_inst_height == 0 || ex_inst_height == 0)
            return refuse(tr("Please enter data for both intake and exhaust installed height"));
        break;
    case 2:
        if (in_targ_seat_press == 0 || ex_targ_seat_press == 0)
            return refuse(tr("Please enter data for both intake and exhaust target seat load"));
        break;
    case 3:
        if (in_targ_bind_clear == 0 || ex_targ_bind_clear == 0)
            return refuse(tr("Please enter data for both intake and exhaust target bind clearance"));
        break;
    default: {
        QMessageBox::information(this, tr("Warning"), tr("You must choose a report type"),
                                 QMessageBox::Ok);
        preprint_dialog again;
        again.setModal(false);
        again.exec();
        return;
    }
    }
    print_form_a report;
    report.setModal(false);
}

void preprint_dialog::on_TIH_radioButton_toggled(bool)
{
    report_type = 1;
}

void preprint_dialog::on_TSP_radioButton_toggled(bool)
{
    report_type = 2;
}

void preprint_dialog::on_TBH_radioButton_toggled(bool)
{
    report_type = 3;
}

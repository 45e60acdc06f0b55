#include "session_setup.h"
#include "ui_session_setup.h"

#include "deflection_calc.h"
#include "globals.h"
#include "retainer_warning.h"
#include "session_file.h"
#include "typed_number.h"

#include <QMessageBox>

session_setup::session_setup(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::session_setup)
{
    ui->setupUi(this);

    ui->lineEdit_4_no_of_cyl->setText(QString::number(uint(no_of_cyl), 10));
    ui->lineEdit_5_in_valve_lift->setText(QString::number(in_valve_lift, 'f', 3));
    ui->lineEdit_6_ex_valve_lift->setText(QString::number(ex_valve_lift, 'f', 3));
    ui->lineEdit_int_valve_lash->setText(QString::number(in_valve_lash, 'f', 3));
    ui->lineEdit_ex_valve_lash->setText(QString::number(ex_valve_lash, 'f', 3));
    ui->lineEdit_in_deflection->setText(QString::number(in_deflection, 'f', 3));
    ui->lineEdit_ex_deflection->setText(QString::number(ex_deflection, 'f', 3));
    ui->lineEdit_9_in_retainer_thickness->setText(QString::number(in_retainer_thickness, 'f', 3));
    ui->lineEdit_10_ex_retainer_thickness->setText(QString::number(ex_retainer_thickness, 'f', 3));
    ui->lineEdit_customer_name->setText(customer_name);
    ui->lineEdit_2_springPart_no->setText(spring_part_no);
    ui->lineEdit_3_engine_des->setText(engine_description);
    ui->lineEdit_11_notes->setPlainText(session_notes);

    ui->label_17->setText(tr("Be sure to set retainer thickness before testing springs.\n"
                             "This is the only perameter that cannot be changed\n"
                             "later without re-testing all springs."));

    // Before the first spring is tested is the time to set the thickness.
    if (show_retainer_warning && active_loads.isEmpty()) {
        retainer_warning reminder;
        reminder.setModal(false);
        reminder.exec();
    }
}

session_setup::~session_setup()
{
    delete ui;
}

// Every recorded height already has the thickness subtracted, so curves
// recorded under one thickness cannot stay beside another: a change is
// taken only together with clearing them.
bool session_setup::retainer_change_accepted()
{
    const double in_thickness = typed_double(ui->lineEdit_9_in_retainer_thickness->text());
    const double ex_thickness = typed_double(ui->lineEdit_10_ex_retainer_thickness->text());
    const bool unchanged = in_thickness == in_retainer_thickness
                           && ex_thickness == ex_retainer_thickness;
    if (unchanged || !session_file::holds_recorded_curves())
        return true;

    const auto answer = QMessageBox::question(
        this, tr("Data Has Changed"),
        tr("If you change retainer thickness\nyou will have to re-test all springs.\n"
           "Selecting yes will clear all recorded spring data.\nDo you wish to continue?"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        for (int v = 1; v <= session_file::valve_positions; ++v) {
            valve_heights[v].resize(0);
            valve_loads[v].resize(0);
        }
        return true;
    }
    ui->lineEdit_9_in_retainer_thickness->setText(QString::number(in_retainer_thickness, 'g', 6));
    ui->lineEdit_10_ex_retainer_thickness->setText(QString::number(ex_retainer_thickness, 'g', 6));
    return false;
}

void session_setup::store_fields(bool with_deflection)
{
    customer_name = ui->lineEdit_customer_name->text();
    spring_part_no = ui->lineEdit_2_springPart_no->text();
    engine_description = ui->lineEdit_3_engine_des->text();
    no_of_cyl = typed_whole_number(ui->lineEdit_4_no_of_cyl->text());
    in_valve_lift = typed_double(ui->lineEdit_5_in_valve_lift->text());
    ex_valve_lift = typed_double(ui->lineEdit_6_ex_valve_lift->text());
    in_valve_lash = typed_double(ui->lineEdit_int_valve_lash->text());
    ex_valve_lash = typed_double(ui->lineEdit_ex_valve_lash->text());
    if (with_deflection) {
        in_deflection = typed_double(ui->lineEdit_in_deflection->text());
        ex_deflection = typed_double(ui->lineEdit_ex_deflection->text());
    }
    in_retainer_thickness = typed_double(ui->lineEdit_9_in_retainer_thickness->text());
    ex_retainer_thickness = typed_double(ui->lineEdit_10_ex_retainer_thickness->text());
    session_notes = ui->lineEdit_11_notes->toPlainText();
}

void session_setup::on_pushButton_ok_clicked()
{
    if (!retainer_change_accepted())
        return;
    store_fields(true);
    close();
}

void session_setup::on_pushButton_cancel_clicked()
{
    close();
}

// The calculator reads the lifts and lashes stored here, and its OK opens a
// fresh session dialog that shows the new factors.
void session_setup::on_pushButton_clicked()
{
    if (!retainer_change_accepted())
        return;
    store_fields(false);
    close();

    deflection_calc calculator;
    calculator.setModal(false);
    calculator.exec();
    close();
}

#include "settings_dialog.h"
#include "ui_settings_dialog.h"

#include "globals.h"
#include "typed_number.h"

settings_dialog::settings_dialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_settings_dialog)
{
    ui->setupUi(this);

    // Six significant digits keep a typed alarm level as typed (0.08, not
    // 0.080000) and still show very small levels, in exponent form.
    bind_alarm_text.setNum(bind_clearance_alarm, 'g', 6);
    ui->bind_alarm_edit->setText(bind_alarm_text);

    ui->comp_name_edit->setText(company_name);
    ui->comp_address_edit->setText(company_address);
    ui->comp_city_edit->setText(company_city);
    ui->comp_state_edit->setText(company_state);
    ui->comp_zip_edit->setText(company_zip);
    ui->comp_phone_edit->setText(company_phone);
    ui->comp_web_edit->setText(company_web);
    ui->comp_email_edit->setText(company_email);
    ui->comp_operator_edit->setText(company_operator);

    ui->checkBox->setChecked(check_updates);
}

settings_dialog::~settings_dialog()
{
    delete ui;
}

// Company texts are stored untrimmed: the operator may pad the report header.
void settings_dialog::on_buttonBox_accepted()
{
    bind_alarm_text = ui->bind_alarm_edit->text();
    bind_clearance_alarm = typed_double(bind_alarm_text);

    company_name = ui->comp_name_edit->text();
    company_address = ui->comp_address_edit->text();
    company_city = ui->comp_city_edit->text();
    company_state = ui->comp_state_edit->text();
    company_zip = ui->comp_zip_edit->text();
    company_phone = ui->comp_phone_edit->text();
    company_web = ui->comp_web_edit->text();
    company_email = ui->comp_email_edit->text();
    company_operator = ui->comp_operator_edit->text();

    check_updates = ui->checkBox->isChecked();
}

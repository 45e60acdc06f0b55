#include "retainer_warning.h"
#include "ui_retainer_warning.h"

#include "globals.h"

retainer_warning::retainer_warning(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::retainer_warning)
{
    ui->setupUi(this);
}

retainer_warning::~retainer_warning()
{
    delete ui;
}

void retainer_warning::on_pushButton_clicked()
{
    close();
}

// Any touch of the box means the operator has seen the reminder often
// enough: unticking it again does not bring it back.
void retainer_warning::on_checkBox_toggled(bool)
{
    show_retainer_warning = false;
}

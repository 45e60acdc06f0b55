#include "changelog.h"
#include "ui_changelog.h"

#include "constants.h"

changelog::changelog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_changelog)
{
    ui->setupUi(this);
    const QString version = QString::number(program_version, 'f', 2);
    setWindowTitle(QStringLiteral("Tarvell Engineering - Kestrix Software V ") + version
                   + QStringLiteral(" - Changelog"));
    ui->label->setText(QStringLiteral("What's new in version ") + version);
}

changelog::~changelog()
{
    delete ui;
}

void changelog::on_pushButton_clicked()
{
    close();
}

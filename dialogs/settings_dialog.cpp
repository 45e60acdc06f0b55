#include "settings_dialog.h"

settings_dialog::settings_dialog(QWidget *parent)
    : QDialog(parent)
{
}

settings_dialog::~settings_dialog() = default;

#include "about_dialog.h"

about_dialog::about_dialog(QWidget *parent)
    : QDialog(parent)
{
}

about_dialog::~about_dialog() = default;

#include "preprint_dialog.h"

preprint_dialog::preprint_dialog(QWidget *parent)
    : QDialog(parent)
{
}

preprint_dialog::~preprint_dialog() = default;

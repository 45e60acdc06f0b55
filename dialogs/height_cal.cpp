#include "height_cal.h"

height_cal::height_cal(QWidget *parent)
    : QDialog(parent)
{
}

height_cal::~height_cal() = default;

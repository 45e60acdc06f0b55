#include "deflection_calc.h"

deflection_calc::deflection_calc(QWidget *parent)
    : QDialog(parent)
{
}

deflection_calc::~deflection_calc() = default;

#include "retainer_warning.h"

retainer_warning::retainer_warning(QWidget *parent)
    : QDialog(parent)
{
}

retainer_warning::~retainer_warning() = default;

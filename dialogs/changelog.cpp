#include "changelog.h"

changelog::changelog(QWidget *parent)
    : QDialog(parent)
{
}

changelog::~changelog() = default;

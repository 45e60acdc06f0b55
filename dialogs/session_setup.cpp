#include "session_setup.h"

session_setup::session_setup(QWidget *parent)
    : QDialog(parent)
{
}

session_setup::~session_setup() = default;

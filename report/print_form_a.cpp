#include "print_form_a.h"

print_form_a::print_form_a(QWidget *parent)
    : QDialog(parent)
{
}

print_form_a::~print_form_a() = default;

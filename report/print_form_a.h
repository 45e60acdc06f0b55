#ifndef KESTRIX_PRINT_FORM_A_H
#define KESTRIX_PRINT_FORM_A_H

#include <QDialog>

// Placeholder until the dialog's form is built.
class print_form_a : public QDialog
{
    Q_OBJECT

public:
    explicit print_form_a(QWidget *parent = nullptr);
    ~print_form_a() override;
};

#endif // KESTRIX_PRINT_FORM_A_H

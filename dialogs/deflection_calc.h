#ifndef KESTRIX_DEFLECTION_CALC_H
#define KESTRIX_DEFLECTION_CALC_H

#include <QDialog>

// Placeholder until the dialog's form is built.
class deflection_calc : public QDialog
{
    Q_OBJECT

public:
    explicit deflection_calc(QWidget *parent = nullptr);
    ~deflection_calc() override;
};

#endif // KESTRIX_DEFLECTION_CALC_H

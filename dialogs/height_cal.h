#ifndef KESTRIX_HEIGHT_CAL_H
#define KESTRIX_HEIGHT_CAL_H

#include <QDialog>

// Placeholder until the dialog's form is built.
class height_cal : public QDialog
{
    Q_OBJECT

public:
    explicit height_cal(QWidget *parent = nullptr);
    ~height_cal() override;
};

#endif // KESTRIX_HEIGHT_CAL_H

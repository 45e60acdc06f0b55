#ifndef KESTRIX_HEIGHT_CAL_H
#define KESTRIX_HEIGHT_CAL_H

#include <QDialog>

class Ui_height_cal;

// Zeroes the height reading against a gauge standard of known height.
class height_cal : public QDialog
{
    Q_OBJECT

public:
    explicit height_cal(QWidget *parent = nullptr);
    ~height_cal() override;

private slots:
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();

private:
    Ui_height_cal *ui;
};

#endif // KESTRIX_HEIGHT_CAL_H

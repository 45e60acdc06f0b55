#ifndef KESTRIX_PREPRINT_DIALOG_H
#define KESTRIX_PREPRINT_DIALOG_H

#include <QDialog>

// Placeholder until the dialog's form is built.
class preprint_dialog : public QDialog
{
    Q_OBJECT

public:
    explicit preprint_dialog(QWidget *parent = nullptr);
    ~preprint_dialog() override;
};

#endif // KESTRIX_PREPRINT_DIALOG_H

#ifndef KESTRIX_RETAINER_WARNING_H
#define KESTRIX_RETAINER_WARNING_H

#include <QDialog>

// Placeholder until the dialog's form is built.
class retainer_warning : public QDialog
{
    Q_OBJECT

public:
    explicit retainer_warning(QWidget *parent = nullptr);
    ~retainer_warning() override;
};

#endif // KESTRIX_RETAINER_WARNING_H

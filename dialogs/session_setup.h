#ifndef KESTRIX_SESSION_SETUP_H
#define KESTRIX_SESSION_SETUP_H

#include <QDialog>

// Placeholder until the dialog's form is built.
class session_setup : public QDialog
{
    Q_OBJECT

public:
    explicit session_setup(QWidget *parent = nullptr);
    ~session_setup() override;
};

#endif // KESTRIX_SESSION_SETUP_H

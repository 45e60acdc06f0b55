#ifndef KESTRIX_CHANGELOG_H
#define KESTRIX_CHANGELOG_H

#include <QDialog>

// Placeholder until the dialog's form is built.
class changelog : public QDialog
{
    Q_OBJECT

public:
    explicit changelog(QWidget *parent = nullptr);
    ~changelog() override;
};

#endif // KESTRIX_CHANGELOG_H

#ifndef KESTRIX_CHANGELOG_H
#define KESTRIX_CHANGELOG_H

#include <QDialog>

class Ui_changelog;

// The release notes, shown once after an update and on request from the
// about window.
class changelog : public QDialog
{
    Q_OBJECT

public:
    explicit changelog(QWidget *parent = nullptr);
    ~changelog() override;

private slots:
    void on_pushButton_clicked();

private:
    Ui_changelog *ui;
};

#endif // KESTRIX_CHANGELOG_H

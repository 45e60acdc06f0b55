#ifndef KESTRIX_DOWNLOADER_H
#define KESTRIX_DOWNLOADER_H

#include <QWidget>

// Placeholder until the download window is built.
class Downloader : public QWidget
{
    Q_OBJECT

public:
    explicit Downloader(QWidget *parent = nullptr) : QWidget(parent) {}
};

#endif // KESTRIX_DOWNLOADER_H

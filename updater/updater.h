#ifndef KESTRIX_UPDATER_H
#define KESTRIX_UPDATER_H

#include <QObject>

// Placeholder until the update checker is built.
class Updater : public QObject
{
    Q_OBJECT
};

#endif // KESTRIX_UPDATER_H

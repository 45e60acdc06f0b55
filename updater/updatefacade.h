#ifndef KESTRIX_UPDATEFACADE_H
#define KESTRIX_UPDATEFACADE_H

#include <QObject>
#include <QString>

class Updater;

// Placeholder until the update checker is built: accepts the configuration
// calls and does nothing.
class UpdateFacade : public QObject
{
    Q_OBJECT

public:
    static UpdateFacade *getInstance();

public slots:
    void checkForUpdates(const QString &url);
    void setModuleVersion(const QString &url, const QString &version);
    void setNotifyOnFinish(const QString &url, bool notify);
    void setNotifyOnUpdate(const QString &url, bool notify);
    void setUseCustomAppcast(const QString &url, bool custom);
    void setDownloaderEnabled(const QString &url, bool enabled);
    void setMandatoryUpdate(const QString &url, bool mandatory);
};

#endif // KESTRIX_UPDATEFACADE_H

#ifndef KESTRIX_UPDATEFACADE_H
#define KESTRIX_UPDATEFACADE_H

#include <QByteArray>
#include <QObject>
#include <QString>

class Updater;

// The one entry point for update checks: keeps one Updater per appcast URL
// (exact text), forwards settings and checks to it and relays its signals.
class UpdateFacade : public QObject
{
    Q_OBJECT

public:
    static UpdateFacade *getInstance();

    Updater *getUpdater(const QString &url);

    bool getCustomAppcast(const QString &url);
    bool getNotifyOnUpdate(const QString &url);
    bool getNotifyOnFinish(const QString &url);
    bool getUpdateAvailable(const QString &url);
    bool getDownloaderEnabled(const QString &url);
    bool getCustomInstallProcedures(const QString &url);
    QString getOpenUrl(const QString &url);
    QString getChangelog(const QString &url);
    QString getModuleName(const QString &url);
    QString getDownloadUrl(const QString &url);
    QString getPlatformKey(const QString &url);
    QString getLatestVersion(const QString &url);
    QString getModuleVersion(const QString &url);
    QString getUserAgentString(const QString &url);

signals:
    void checkingFinished(const QString &url);
    void appcastDownloaded(const QString &url, const QByteArray &data);
    void downloadFinished(const QString &url, const QString &filepath);

public slots:
    void checkForUpdates(const QString &url);
    void setModuleName(const QString &url, const QString &name);
    void setNotifyOnUpdate(const QString &url, bool notify);
    void setNotifyOnFinish(const QString &url, bool notify);
    void setPlatformKey(const QString &url, const QString &platform);
    void setModuleVersion(const QString &url, const QString &version);
    void setDownloaderEnabled(const QString &url, bool enabled);
    void setUserAgentString(const QString &url, const QString &agent);
    void setUseCustomAppcast(const QString &url, bool customAppcast);
    void setUseCustomInstallProcedures(const QString &url, bool custom);
    void setMandatoryUpdate(const QString &url, bool mandatory_update);

private:
    UpdateFacade() = default;
    ~UpdateFacade() override;
};

#endif // KESTRIX_UPDATEFACADE_H

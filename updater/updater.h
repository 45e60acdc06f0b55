#ifndef KESTRIX_UPDATER_H
#define KESTRIX_UPDATER_H

#include <QByteArray>
#include <QObject>
#include <QString>

class Downloader;
class QNetworkAccessManager;
class QJsonObject;
class QNetworkReply;

// Checks one appcast URL for a newer version, offers it to the operator and,
// on consent, opens a page, hands the installer URL to the desktop or
// downloads it in its download window.
class Updater : public QObject
{
    Q_OBJECT

public:
    Updater();
    ~Updater() override;

    QString url() const;
    QString openUrl() const;
    QString changelog() const;
    QString moduleName() const;
    QString platformKey() const;
    QString downloadUrl() const;
    QString latestVersion() const;
    QString userAgentString() const;
    QString moduleVersion() const;
    bool customAppcast() const;
    bool notifyOnUpdate() const;
    bool notifyOnFinish() const;
    bool mandatoryUpdate() const;
    bool updateAvailable() const;
    bool downloaderEnabled() const;
    bool customInstallProcedures() const;

    // True when version text x is newer than y.
    static bool compare(const QString &x, const QString &y);

signals:
    void checkingFinished(const QString &url);
    void downloadFinished(const QString &url, const QString &filepath);
    void appcastDownloaded(const QString &url, const QByteArray &data);

public slots:
    void checkForUpdates();
    void setUrl(const QString &url);
    void setModuleName(const QString &name);
    void setNotifyOnUpdate(bool notify);
    void setNotifyOnFinish(bool notify);
    void setUserAgentString(const QString &agent);
    void setModuleVersion(const QString &version);
    void setDownloaderEnabled(bool enabled);
    void setPlatformKey(const QString &platformKey);
    void setUseCustomAppcast(bool customAppcast);
    void setUseCustomInstallProcedures(bool custom);
    void setMandatoryUpdate(bool mandatory_update);
    void onReply(QNetworkReply *reply);
    void setUpdateAvailable(bool available);

private:
    void requestAppcast(int redirects);
    void endCheckWithoutUpdate();
    void readAppcast(const QJsonObject &appcast);
    void acceptUpdate();

    QString m_url;
    QString m_userAgentString;
    bool m_customAppcast = false;
    bool m_notifyOnUpdate = true;
    bool m_notifyOnFinish = false;
    bool m_updateAvailable = false;
    bool m_downloaderEnabled = true;
    bool m_mandatoryUpdate = false;
    QString m_openUrl;
    QString m_platformKey;
    QString m_changelog;
    QString m_moduleName;
    QString m_downloadUrl;
    QString m_moduleVersion;
    QString m_latestVersion;
    Downloader *m_downloader = nullptr;
    QNetworkAccessManager *m_manager = nullptr;
};

#endif // KESTRIX_UPDATER_H

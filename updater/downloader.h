#ifndef KESTRIX_DOWNLOADER_H
#define KESTRIX_DOWNLOADER_H

#include <QDir>
#include <QString>
#include <QUrl>
#include <QWidget>

class QNetworkAccessManager;
class QNetworkReply;
class Ui_Downloader;

// A server that keeps redirecting must not hold a check or a download in a
// loop; this many redirects are followed for one of them, no more.
constexpr int maxRedirects = 10;

// Whether an address may be followed by the update checker: http or https only.
inline bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// Fetches an accepted update's installer into the user's Downloads folder,
// showing progress and time remaining, then offers to open it.
class Downloader : public QWidget
{
    Q_OBJECT

public:
    explicit Downloader(QWidget *parent = nullptr);
    ~Downloader() override;

    bool customInstallProcedures() const;
    QString downloadDir() const;
    void setDownloadDir(const QString &path);

signals:
    void downloadFinished(const QString &url, const QString &filepath);

public slots:
    void setUrlId(const QString &url);
    void startDownload(const QUrl &url);
    void setFileName(const QString &file);
    void setUserAgentString(const QString &agent);
    void setUseCustomInstallProcedures(bool custom);
    void setMandatoryUpdate(bool mandatory_update);
    void finished();
    void openDownload();
    void installUpdate();
    void cancelDownload();
    void saveFile(qlonglong received, qlonglong total);
    void calculateSizes(qlonglong received, qlonglong total);
    void updateProgress(qlonglong received, qlonglong total);
    void calculateTimeRemaining(qlonglong received, qlonglong total);

private:
    QString installerPath() const;
    QString partialPath() const;
    void request(const QUrl &url);
    void followRedirect(const QUrl &target);
    void dropReply();
    bool appendArrivedData();
    bool partialFileIsWhole();
    QString writeErrorText(const QString &path, const QString &reason) const;
    void failTransfer(const QString &reason);

    QString m_urlId;
    quint32 m_startTime = 0;
    QDir m_downloadDir;
    QString m_fileName;
    Ui_Downloader *ui = nullptr;
    QNetworkReply *m_reply = nullptr;
    QString m_userAgentString;
    bool m_customInstallProcedures = false;
    bool m_mandatoryUpdate = false;
    QNetworkAccessManager *m_manager = nullptr;
    int m_redirects = 0;
    bool m_writeFailed = false;
    qint64 m_written = 0;  // bytes appended to the partial file by this transfer
    QString m_writeError;
};

#endif // KESTRIX_DOWNLOADER_H

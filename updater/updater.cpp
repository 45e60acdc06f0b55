#include "updater.h"

#include "downloader.h"
#include "quitrequest.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

// The request carries how many redirects led to it, so that each check
// counts its own chain even when several run at once.
constexpr QNetworkRequest::Attribute redirectCountAttribute = QNetworkRequest::User;

// The installer's name is the URL's last piece. A backslash would be a folder
// separator on Windows and "." or ".." would leave the Downloads folder, so
// such a name counts as no name and the download window picks its own.
QString installerName(const QString &downloadUrl)
{
    const QString name = downloadUrl.section(QLatin1Char('/'), -1);
    if (name.contains(QLatin1Char('\\')) || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

// The value of one version part as its digits without leading zeros (zero
// being no digits at all). A part that is not digits alone counts as zero: a
// blank or a sign makes it no number.
QString versionNumber(const QString &part)
{
    for (const QChar c : part)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QString();
    int first = 0;
    while (first < part.size() && part.at(first) == QLatin1Char('0'))
        ++first;
    return part.mid(first);
}

// Orders two numbers given by their digits, of any length (no overflow).
int compareParts(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace

Updater::Updater()
    : m_userAgentString(QStringLiteral("%1/%2 (Qt; UpdateFacade)")
                            .arg(QCoreApplication::applicationName(),
                                 QCoreApplication::applicationVersion()))
    , m_platformKey(QStringLiteral("windows"))
    , m_moduleName(QCoreApplication::applicationName())
    , m_moduleVersion(QCoreApplication::applicationVersion())
{
    m_downloader = new Downloader();
    m_manager = new QNetworkAccessManager();
    m_downloader->setUserAgentString(m_userAgentString);
    connect(m_downloader, &Downloader::downloadFinished, this, &Updater::downloadFinished);
    connect(m_manager, &QNetworkAccessManager::finished, this, &Updater::onReply);
}

Updater::~Updater()
{
    delete m_downloader;
    delete m_manager;
}

QString Updater::url() const { return m_url; }
QString Updater::openUrl() const { return m_openUrl; }
QString Updater::changelog() const { return m_changelog; }
QString Updater::moduleName() const { return m_moduleName; }
QString Updater::platformKey() const { return m_platformKey; }
QString Updater::downloadUrl() const { return m_downloadUrl; }
QString Updater::latestVersion() const { return m_latestVersion; }
QString Updater::userAgentString() const { return m_userAgentString; }
QString Updater::moduleVersion() const { return m_moduleVersion; }
bool Updater::customAppcast() const { return m_customAppcast; }
bool Updater::notifyOnUpdate() const { return m_notifyOnUpdate; }
bool Updater::notifyOnFinish() const { return m_notifyOnFinish; }
bool Updater::mandatoryUpdate() const { return m_mandatoryUpdate; }
bool Updater::updateAvailable() const { return m_updateAvailable; }
bool Updater::downloaderEnabled() const { return m_downloaderEnabled; }
bool Updater::customInstallProcedures() const { return m_downloader->customInstallProcedures(); }

void Updater::setUrl(const QString &url) { m_url = url; }
void Updater::setModuleName(const QString &name) { m_moduleName = name; }
void Updater::setNotifyOnUpdate(bool notify) { m_notifyOnUpdate = notify; }
void Updater::setNotifyOnFinish(bool notify) { m_notifyOnFinish = notify; }
void Updater::setModuleVersion(const QString &version) { m_moduleVersion = version; }
void Updater::setDownloaderEnabled(bool enabled) { m_downloaderEnabled = enabled; }
void Updater::setPlatformKey(const QString &platformKey) { m_platformKey = platformKey; }
void Updater::setUseCustomAppcast(bool customAppcast) { m_customAppcast = customAppcast; }
void Updater::setMandatoryUpdate(bool mandatory_update) { m_mandatoryUpdate = mandatory_update; }

void Updater::setUserAgentString(const QString &agent)
{
    m_userAgentString = agent;
    m_downloader->setUserAgentString(agent);
}

void Updater::setUseCustomInstallProcedures(bool custom)
{
    m_downloader->setUseCustomInstallProcedures(custom);
}

void Updater::checkForUpdates()
{
    requestAppcast(0);
}

void Updater::requestAppcast(int redirects)
{
    QNetworkRequest request{QUrl(m_url)};
    if (!m_userAgentString.isEmpty())
        request.setRawHeader("User-Agent", m_userAgentString.toUtf8());
    request.setAttribute(redirectCountAttribute, redirects);
    m_manager->get(request);
}

void Updater::onReply(QNetworkReply *reply)
{
    // Released once control is back in the loop that delivered it; the
    // notice below runs its own loop, which leaves the reply alone.
    reply->deleteLater();

    const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!target.isEmpty()) {
        const int redirects = reply->request().attribute(redirectCountAttribute, 0).toInt() + 1;
        if (redirects > maxRedirects) {
            endCheckWithoutUpdate();
            return;
        }
        const QUrl next = reply->url().resolved(target);
        // A server may only send us on to another web address: a redirect to
        // a local file or another scheme would hand its contents to the check.
        if (!isWebUrl(next)) {
            endCheckWithoutUpdate();
            return;
        }
        m_url = next.toString();
        requestAppcast(redirects);
        return;
    }

    if (reply->error() != QNetworkReply::NoError) {
        endCheckWithoutUpdate();
        return;
    }

    if (m_customAppcast) {
        const QByteArray body = reply->readAll();
        emit appcastDownloaded(m_url, body);
        emit checkingFinished(m_url);
        return;
    }

    const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
    if (document.isNull()) {
        endCheckWithoutUpdate();
        return;
    }
    readAppcast(document.object());
    setUpdateAvailable(compare(m_latestVersion, m_moduleVersion));
    emit checkingFinished(m_url);
}

void Updater::endCheckWithoutUpdate()
{
    setUpdateAvailable(false);
    emit checkingFinished(m_url);
}

void Updater::readAppcast(const QJsonObject &appcast)
{
    const QJsonObject entry =
        appcast.value(QStringLiteral("updates")).toObject().value(m_platformKey).toObject();
    m_openUrl = entry.value(QStringLiteral("open-url")).toString();
    m_changelog = entry.value(QStringLiteral("changelog")).toString();
    m_downloadUrl = entry.value(QStringLiteral("download-url")).toString();
    m_latestVersion = entry.value(QStringLiteral("latest-version")).toString();
    if (entry.contains(QStringLiteral("mandatory-update")))
        m_mandatoryUpdate = entry.value(QStringLiteral("mandatory-update")).toBool();
}

bool Updater::compare(const QString &x, const QString &y)
{
    const QStringList xs = x.split(QLatin1Char('.'));
    const QStringList ys = y.split(QLatin1Char('.'));
    for (int i = 0; i < qMin(xs.size(), ys.size()); ++i) {
        const int order = compareParts(versionNumber(xs.at(i)), versionNumber(ys.at(i)));
        if (order != 0)
            return order > 0;
    }
    return xs.size() > ys.size();
}

void Updater::setUpdateAvailable(bool available)
{
    m_updateAvailable = available;

    QMessageBox box;
    box.setTextFormat(Qt::RichText);
    box.setIcon(QMessageBox::Information);

    if (!available) {
        if (!m_notifyOnFinish)
            return;
        box.setText(QStringLiteral("<h3>")
                    + tr("Congratulations! You are running the latest version of %1").arg(m_moduleName)
                    + QStringLiteral("</h3>"));
        box.setInformativeText(tr("No updates are available for the moment"));
        box.setStandardButtons(QMessageBox::Close);
        box.exec();
        return;
    }

    if (!m_notifyOnUpdate && !m_notifyOnFinish)
        return;
    // The version comes from the server and the notice is rich text: show it
    // as written, never as markup (a link in it would open on a click).
    box.setText(QStringLiteral("<h3>")
                + tr("Version %1 of %2 has been released!").arg(m_latestVersion.toHtmlEscaped(), m_moduleName)
                + QStringLiteral("</h3>"));
    box.setInformativeText(m_mandatoryUpdate
                               ? tr("Would you like to download the update now? This is a mandatory "
                                    "update, exiting now will close the application")
                               : tr("Would you like to download the update now?"));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);

    if (box.exec() != QMessageBox::Yes) {
        if (m_mandatoryUpdate)
            quitApplication();
        return;
    }
    acceptUpdate();
}

void Updater::acceptUpdate()
{
    if (!m_openUrl.isEmpty()) {
        QDesktopServices::openUrl(QUrl(m_openUrl));
        return;
    }
    if (!m_downloaderEnabled) {
        QDesktopServices::openUrl(QUrl(m_downloadUrl));
        return;
    }
    m_downloader->setUrlId(m_url);
    m_downloader->setFileName(installerName(m_downloadUrl));
    m_downloader->setMandatoryUpdate(m_mandatoryUpdate);
    m_downloader->startDownload(QUrl(m_downloadUrl));
}

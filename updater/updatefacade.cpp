#include "updatefacade.h"

#include "globals.h"
#include "updater.h"

UpdateFacade *UpdateFacade::getInstance()
{
    static UpdateFacade instance;
    return &instance;
}

UpdateFacade::~UpdateFacade()
{
    registeredUrls.clear();
    for (Updater *updater : qAsConst(registeredUpdaters))
        updater->deleteLater();
    registeredUpdaters.clear();
}

Updater *UpdateFacade::getUpdater(const QString &url)
{
    if (!registeredUrls.contains(url)) {
        auto *updater = new Updater();
        updater->setUrl(url);
        registeredUrls.append(url);
        registeredUpdaters.append(updater);
        connect(updater, &Updater::checkingFinished, this, &UpdateFacade::checkingFinished);
        connect(updater, &Updater::downloadFinished, this, &UpdateFacade::downloadFinished);
        connect(updater, &Updater::appcastDownloaded, this, &UpdateFacade::appcastDownloaded);
    }
    return registeredUpdaters.at(registeredUrls.indexOf(url));
}

void UpdateFacade::checkForUpdates(const QString &url)
{
    getUpdater(url)->checkForUpdates();
}

void UpdateFacade::setModuleName(const QString &url, const QString &name)
{
    getUpdater(url)->setModuleName(name);
}

void UpdateFacade::setNotifyOnUpdate(const QString &url, bool notify)
{
    getUpdater(url)->setNotifyOnUpdate(notify);
}

void UpdateFacade::setNotifyOnFinish(const QString &url, bool notify)
{
    getUpdater(url)->setNotifyOnFinish(notify);
}

void UpdateFacade::setPlatformKey(const QString &url, const QString &platform)
{
    getUpdater(url)->setPlatformKey(platform);
}

void UpdateFacade::setModuleVersion(const QString &url, const QString &version)
{
    getUpdater(url)->setModuleVersion(version);
}

void UpdateFacade::setDownloaderEnabled(const QString &url, bool enabled)
{
    getUpdater(url)->setDownloaderEnabled(enabled);
}

void UpdateFacade::setUserAgentString(const QString &url, const QString &agent)
{
    getUpdater(url)->setUserAgentString(agent);
}

void UpdateFacade::setUseCustomAppcast(const QString &url, bool customAppcast)
{
    getUpdater(url)->setUseCustomAppcast(customAppcast);
}

void UpdateFacade::setUseCustomInstallProcedures(const QString &url, bool custom)
{
    getUpdater(url)->setUseCustomInstallProcedures(custom);
}

void UpdateFacade::setMandatoryUpdate(const QString &url, bool mandatory_update)
{
    getUpdater(url)->setMandatoryUpdate(mandatory_update);
}

bool UpdateFacade::getCustomAppcast(const QString &url) { return getUpdater(url)->customAppcast(); }
bool UpdateFacade::getNotifyOnUpdate(const QString &url) { return getUpdater(url)->notifyOnUpdate(); }
bool UpdateFacade::getNotifyOnFinish(const QString &url) { return getUpdater(url)->notifyOnFinish(); }
bool UpdateFacade::getUpdateAvailable(const QString &url) { return getUpdater(url)->updateAvailable(); }
bool UpdateFacade::getDownloaderEnabled(const QString &url) { return getUpdater(url)->downloaderEnabled(); }
bool UpdateFacade::getCustomInstallProcedures(const QString &url)
{
    return getUpdater(url)->customInstallProcedures();
}
QString UpdateFacade::getOpenUrl(const QString &url) { return getUpdater(url)->openUrl(); }
QString UpdateFacade::getChangelog(const QString &url) { return getUpdater(url)->changelog(); }
QString UpdateFacade::getModuleName(const QString &url) { return getUpdater(url)->moduleName(); }
QString UpdateFacade::getDownloadUrl(const QString &url) { return getUpdater(url)->downloadUrl(); }
QString UpdateFacade::getPlatformKey(const QString &url) { return getUpdater(url)->platformKey(); }
QString UpdateFacade::getLatestVersion(const QString &url) { return getUpdater(url)->latestVersion(); }
QString UpdateFacade::getModuleVersion(const QString &url) { return getUpdater(url)->moduleVersion(); }
QString UpdateFacade::getUserAgentString(const QString &url) { return getUpdater(url)->userAgentString(); }

#include "updatefacade.h"

UpdateFacade *UpdateFacade::getInstance()
{
    static UpdateFacade instance;
    return &instance;
}

void UpdateFacade::checkForUpdates(const QString &) {}
void UpdateFacade::setModuleVersion(const QString &, const QString &) {}
void UpdateFacade::setNotifyOnFinish(const QString &, bool) {}
void UpdateFacade::setNotifyOnUpdate(const QString &, bool) {}
void UpdateFacade::setUseCustomAppcast(const QString &, bool) {}
void UpdateFacade::setDownloaderEnabled(const QString &, bool) {}
void UpdateFacade::setMandatoryUpdate(const QString &, bool) {}

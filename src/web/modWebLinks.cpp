#include "web/modWebLinks.h"

#include "core/Logging.h"

namespace modWebLinks {

void OpenURL(const QString &address)
{
    qCInfo(lcTray) << "OpenURL: web links are not built yet:" << address;
}

void OpenSupportForums()
{
    qCInfo(lcTray) << "OpenSupportForums: web links are not built yet";
}

void OpenBugReport()
{
    qCInfo(lcTray) << "OpenBugReport: web links are not built yet";
}

void OpenMakerHomePage()
{
    qCInfo(lcTray) << "OpenMakerHomePage: web links are not built yet";
}

void OpenDonatePage()
{
    qCInfo(lcTray) << "OpenDonatePage: web links are not built yet";
}

} // namespace modWebLinks

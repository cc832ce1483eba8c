#include "tray/modTrayIcon.h"

#include "core/Logging.h"

namespace modTrayIcon {

void AddTrayIcon()
{
    qCInfo(lcTray) << "the tray icon is not built yet";
}

void ShowTrayBalloon(const QString &text)
{
    qCInfo(lcTray) << "balloon:" << text;
}

void UpdateTrayIcon() {}

void RemoveTrayIcon() {}

void AnswerSecondStart()
{
    AddTrayIcon();
    ShowTrayBalloon(QStringLiteral("Right-click this system tray icon to access Zettlor."));
}

} // namespace modTrayIcon

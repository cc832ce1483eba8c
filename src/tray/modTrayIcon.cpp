#include "tray/modTrayIcon.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "messaging/Winsock.h"
#include "platform/Platform.h"
#include "tray/winMenu.h"
#include "tray/winTrayControl.h"

#include <QCursor>
#include <QFrame>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTextDocument>

namespace modTrayIcon {
namespace {

constexpr int kMaxToolTip = 127;
constexpr int kMaxBalloonText = 255;
constexpr int kBalloonMilliseconds = 10000;

// What every operation fills in and the next one finds: the icon's state
// whichever host shows it.
struct TrayIconRecord
{
    QString toolTip;
    QIcon picture;
    bool added = false;
};

TrayIconRecord record;
// Both hang off winMenu and go with it.
QPointer<QSystemTrayIcon> trayIcon;
QPointer<winTrayControl> controlWindow;
// The menu window whose icon follows the tray host's changes.
QPointer<winMenu> followingTrayHost;

// The address the datagrams will carry; the endpoint is bound after the icon
// is shown.
QString OwnAddress()
{
    return BindAddress.isEmpty() ? Winsock::MachineAddress() : BindAddress;
}

void ForwardActivation(QSystemTrayIcon::ActivationReason reason)
{
    winMenu *menu = winMenu::Instance();
    if (!menu)
        return;
    const QPoint position = QCursor::pos();
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        menu->TrayIcon_Notify(winMenu::TrayNotification::LeftButtonDown, position);
        break;
    case QSystemTrayIcon::DoubleClick:
        menu->TrayIcon_Notify(winMenu::TrayNotification::LeftButtonDoubleClick, position);
        break;
    case QSystemTrayIcon::MiddleClick:
        menu->TrayIcon_Notify(winMenu::TrayNotification::MiddleClick, position);
        break;
    case QSystemTrayIcon::Context:
        // The icon opens its own context menu (TrayMenu); every host draws it.
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void ShowOnHost();

bool ShownInTray()
{
    return trayIcon && trayIcon->isVisible();
}

// Qt settles once per run, when first asked, whether its icons speak D-Bus
// (StatusNotifierItem) or XEmbed. Asked while no host exists, it would keep
// to XEmbed even when a panel that only hosts StatusNotifierItems starts
// later (the usual race at login), so it is asked once a host is there.
// Qt also learns of a tray's end a moment after the program hears of it.
bool TrayAvailable()
{
    return platform::TrayHostPresent() && QSystemTrayIcon::isSystemTrayAvailable();
}

void FollowTrayHost()
{
    if (TrayAvailable() != ShownInTray())
        ShowOnHost();
}

// A tray host may come and go at any time (a panel started late, a tray that
// ended or restarts): the icon moves between the tray and the control window.
// Told of each change as it happens, the program sleeps while none comes.
void WatchTrayHost(winMenu *menu)
{
    if (followingTrayHost == menu)
        return;
    followingTrayHost = menu;
    platform::OnTrayHostChange(menu, [] {
        if (record.added)
            FollowTrayHost();
    });
}

void ShowInTray(winMenu *menu)
{
    delete controlWindow;
    if (!trayIcon) {
        trayIcon = new QSystemTrayIcon(menu);
        trayIcon->setObjectName(QStringLiteral("TrayIcon"));
        trayIcon->setContextMenu(menu->TrayMenu);
        QObject::connect(trayIcon, &QSystemTrayIcon::activated, menu, &ForwardActivation);
    }
    trayIcon->setIcon(record.picture);
    trayIcon->setToolTip(record.toolTip);
    trayIcon->show();
}

void ShowInControlWindow(winMenu *menu)
{
    if (trayIcon)
        trayIcon->hide();
    if (!controlWindow) {
        controlWindow = new winTrayControl(menu);
        QObject::connect(controlWindow, &winTrayControl::notified, menu, &winMenu::TrayIcon_Notify);
        controlWindow->PlaceInScreenCorner();
    }
    controlWindow->SetPicture(record.picture);
    controlWindow->setToolTip(record.toolTip);
    controlWindow->show();
}

void ShowOnHost()
{
    winMenu *menu = winMenu::Instance();
    if (!menu)
        return;
    WatchTrayHost(menu);
    if (TrayAvailable())
        ShowInTray(menu);
    else
        ShowInControlWindow(menu);
}

bool IconShown()
{
    return ShownInTray() || (controlWindow && controlWindow->isVisible());
}

} // namespace

void AddTrayIcon()
{
    winMenu *menu = winMenu::Instance();
    if (!menu)
        return;
    record.toolTip = (QStringLiteral("Zettlor (") + OwnAddress() + QLatin1Char(')')).left(kMaxToolTip);
    record.picture = menu->ImageIcon;
    record.added = true;
    ShowOnHost();
}

void ShowTrayBalloon(const QString &text)
{
    record.toolTip = PlainToolTip(text.left(kMaxToolTip));
    if (!record.added || !IconShown()) {
        qCInfo(lcTray) << "no icon for the balloon:" << text;
        return;
    }
    const QString title = QStringLiteral("Zettlor");
    const QString shown = text.left(kMaxBalloonText);
    if (controlWindow) {
        controlWindow->setToolTip(record.toolTip);
        controlWindow->ShowBalloon(title, shown, kBalloonMilliseconds);
    } else {
        trayIcon->setToolTip(record.toolTip);
        trayIcon->showMessage(title, shown, QSystemTrayIcon::NoIcon, kBalloonMilliseconds);
    }
}

void UpdateTrayIcon()
{
    winMenu *menu = winMenu::Instance();
    if (!menu)
        return;
    record.picture = menu->ImageIcon;
    if (trayIcon)
        trayIcon->setIcon(record.picture);
    if (controlWindow)
        controlWindow->SetPicture(record.picture);
}

void RemoveTrayIcon()
{
    record.added = false;
    if (trayIcon)
        trayIcon->hide();
    if (controlWindow) {
        controlWindow->Balloon->hide();
        controlWindow->hide();
    }
}

QString PlainToolTip(const QString &text)
{
    // Plain text stays as it is, for trays that do not read markup.
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text) : text;
}

void AnswerSecondStart()
{
    // A shown icon keeps its tooltip; a missing one is added afresh.
    if (record.added && IconShown())
        ShowOnHost();
    else
        AddTrayIcon();
    ShowTrayBalloon(QStringLiteral("Right-click this system tray icon to access Zettlor."));
}

} // namespace modTrayIcon

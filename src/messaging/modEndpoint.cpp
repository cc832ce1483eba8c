#include "messaging/modEndpoint.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "messaging/Winsock.h"
#include "messaging/modDatagram.h"
#include "tray/winMenu.h"

namespace modEndpoint {

BindResult BindEndpoint()
{
    winMenu *menu = winMenu::Instance();
    if (!menu)
        return BindResult::Failed;
    delete menu->Winsock;
    menu->Winsock = new Winsock(menu);
    menu->Winsock->LocalPort = UdpPort;
    menu->Winsock->RemotePort = UdpPort;
    switch (menu->Winsock->Bind(BindAddress)) {
    case Winsock::BindError::None:
        break;
    case Winsock::BindError::AddressInUse:
        return BindResult::PortInUse;
    case Winsock::BindError::Other:
        return BindResult::Failed;
    }
    QObject::connect(menu->Winsock, &Winsock::DataArrival, menu, &modDatagram::HandleDatagram);
    qCInfo(lcNet) << "endpoint bound on" << menu->Winsock->LocalIP() << UdpPort;
    return BindResult::Bound;
}

Winsock *Endpoint()
{
    winMenu *menu = winMenu::Instance();
    return menu ? menu->Winsock : nullptr;
}

} // namespace modEndpoint

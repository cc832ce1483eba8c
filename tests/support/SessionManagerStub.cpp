#include "SessionManagerStub.h"

#include "ProgramProcess.h"

#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <cstdlib>
#include <poll.h>
#include <vector>

// libICE's switch for listening only on the local socket, as desktop
// session managers use it.
extern "C" int _IceTransNoListen(const char *protocol);

struct SessionManagerStub::State
{
    IceListenObj *listeners = nullptr;
    int listenerCount = 0;
    QString address;
    IceConn connection = nullptr;
    SmsConn client = nullptr;
    bool registered = false;
    bool saved = false;

    // Accepts a connection and handles what arrived, without waiting.
    void handleArrivals()
    {
        std::vector<pollfd> watched;
        for (int i = 0; i < listenerCount; ++i)
            watched.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
        IceConn open = connection;
        if (open)
            watched.push_back({IceConnectionNumber(open), POLLIN, 0});
        if (::poll(watched.data(), watched.size(), 0) <= 0)
            return;
        for (int i = 0; i < listenerCount; ++i) {
            IceAcceptStatus status;
            if (watched[i].revents & POLLIN)
                connection = IceAcceptConnection(listeners[i], &status);
        }
        if (open && (watched.back().revents & (POLLIN | POLLHUP)) &&
            IceProcessMessages(open, nullptr, nullptr) == IceProcessMessagesIOError) {
            IceSetShutdownNegotiation(open, False);
            IceCloseConnection(open);
            connection = nullptr;
        }
    }
};

namespace {

using State = SessionManagerStub::State;

State &StateOf(SmPointer data)
{
    return *static_cast<State *>(data);
}

Status RegisterClient(SmsConn client, SmPointer data, char *previousId)
{
    std::free(previousId);
    char *id = SmsGenerateClientID(client);
    SmsRegisterClientReply(client, id);
    std::free(id);
    StateOf(data).registered = true;
    return 1;
}

void SaveYourselfDone(SmsConn, SmPointer data, Bool)
{
    StateOf(data).saved = true;
}

void SetProperties(SmsConn, SmPointer, int count, SmProp **properties)
{
    for (int i = 0; i < count; ++i)
        SmFreeProperty(properties[i]);
    std::free(properties);
}

void DeleteProperties(SmsConn, SmPointer, int count, char **names)
{
    for (int i = 0; i < count; ++i)
        std::free(names[i]);
    std::free(names);
}

void CloseConnection(SmsConn client, SmPointer, int count, char **reasons)
{
    SmFreeReasons(count, reasons);
    SmsCleanUp(client);
}

Status AcceptClient(SmsConn client, SmPointer data, unsigned long *mask, SmsCallbacks *callbacks, char **)
{
    StateOf(data).client = client;
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask | SmsSaveYourselfDoneProcMask |
            SmsCloseConnectionProcMask | SmsSetPropertiesProcMask | SmsDeletePropertiesProcMask |
            SmsGetPropertiesProcMask;
    callbacks->register_client = {RegisterClient, data};
    callbacks->interact_request = {[](SmsConn c, SmPointer, int) { SmsInteract(c); }, data};
    callbacks->interact_done = {[](SmsConn, SmPointer, Bool) {}, data};
    callbacks->save_yourself_request = {[](SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}, data};
    callbacks->save_yourself_phase2_request = {[](SmsConn c, SmPointer) { SmsSaveYourselfPhase2(c); }, data};
    callbacks->save_yourself_done = {SaveYourselfDone, data};
    callbacks->close_connection = {CloseConnection, data};
    callbacks->set_properties = {SetProperties, data};
    callbacks->delete_properties = {DeleteProperties, data};
    callbacks->get_properties = {[](SmsConn c, SmPointer) { SmsReturnProperties(c, 0, nullptr); }, data};
    return 1;
}

// Only programs of this computer reach the local socket.
Bool AcceptLocalHost(char *)
{
    return True;
}

} // namespace

SessionManagerStub::SessionManagerStub() : d(new State)
{
    // libICE's default ends the process when a client goes away.
    IceSetIOErrorHandler([](IceConn) {});
    char error[256] = {};
    _IceTransNoListen("tcp");
    if (!SmsInitialize("Zettlor tests", "1.0", AcceptClient, d.get(), AcceptLocalHost, sizeof error, error) ||
        !IceListenForConnections(&d->listenerCount, &d->listeners, sizeof error, error))
        return;
    for (int i = 0; i < d->listenerCount; ++i)
        IceSetHostBasedAuthProc(d->listeners[i], AcceptLocalHost);
    char *address = IceComposeNetworkIdList(d->listenerCount, d->listeners);
    d->address = QString::fromLocal8Bit(address);
    std::free(address);
}

SessionManagerStub::~SessionManagerStub()
{
    if (d->connection) {
        IceSetShutdownNegotiation(d->connection, False);
        IceCloseConnection(d->connection);
    }
    if (d->listeners)
        IceFreeListenObjs(d->listenerCount, d->listeners);
}

QString SessionManagerStub::address() const
{
    return d->address;
}

bool SessionManagerStub::waitForClient()
{
    return ProgramProcess::waitFor([this] {
        d->handleArrivals();
        return d->registered;
    });
}

bool SessionManagerStub::saveYourself(SaveType type)
{
    const int types[] = {SmSaveGlobal, SmSaveLocal, SmSaveBoth};
    d->saved = false;
    SmsSaveYourself(d->client, types[int(type)], False, SmInteractStyleNone, False);
    return ProgramProcess::waitFor([this] {
        d->handleArrivals();
        return d->saved;
    });
}

void SessionManagerStub::die()
{
    SmsDie(d->client);
    IceFlush(SmsGetIceConnection(d->client));
}

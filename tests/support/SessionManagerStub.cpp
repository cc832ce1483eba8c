#include "SessionManagerStub.h"

#include "ProgramProcess.h"

#include <QSocketNotifier>

#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <cstdlib>

// libICE's switch for listening only on the local socket, as desktop
// session managers use it.
extern "C" int _IceTransNoListen(const char *protocol);

struct SessionManagerStub::State
{
    QObject notifiers; // parent of one socket notifier per listener and connection
    IceListenObj *listeners = nullptr;
    int listenerCount = 0;
    QString address;
    IceConn connection = nullptr;
    SmsConn client = nullptr;
    bool saved = false;

    void watch(int socket, std::function<void(QSocketNotifier *)> handle)
    {
        auto *notifier = new QSocketNotifier(socket, QSocketNotifier::Read, &notifiers);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                         [notifier, handle] { handle(notifier); });
    }

    void accept(IceListenObj listener)
    {
        IceAcceptStatus status;
        IceConn accepted = IceAcceptConnection(listener, &status);
        if (!accepted)
            return;
        connection = accepted;
        watch(IceConnectionNumber(accepted), [this, accepted](QSocketNotifier *notifier) {
            if (IceProcessMessages(accepted, nullptr, nullptr) != IceProcessMessagesIOError)
                return;
            notifier->setEnabled(false);
            IceSetShutdownNegotiation(accepted, False);
            IceCloseConnection(accepted);
            if (connection == accepted)
                connection = nullptr;
        });
    }
};

namespace {

using State = SessionManagerStub::State;

State &StateOf(SmPointer data)
{
    return *static_cast<State *>(data);
}

Status RegisterClient(SmsConn client, SmPointer, char *previousId)
{
    std::free(previousId);
    char *id = SmsGenerateClientID(client);
    SmsRegisterClientReply(client, id);
    std::free(id);
    return 1;
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

void CloseConnection(SmsConn client, SmPointer data, int count, char **reasons)
{
    SmFreeReasons(count, reasons);
    SmsCleanUp(client);
    StateOf(data).client = nullptr;
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
    callbacks->save_yourself_done = {[](SmsConn, SmPointer d, Bool) { StateOf(d).saved = true; }, data};
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
    for (int i = 0; i < d->listenerCount; ++i) {
        IceListenObj listener = d->listeners[i];
        IceSetHostBasedAuthProc(listener, AcceptLocalHost);
        d->watch(IceGetListenConnectionNumber(listener),
                 [this, listener](QSocketNotifier *) { d->accept(listener); });
    }
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

bool SessionManagerStub::saveYourself(SaveType type)
{
    if (!d->client)
        return false;
    const int types[] = {SmSaveGlobal, SmSaveLocal, SmSaveBoth};
    d->saved = false;
    SmsSaveYourself(d->client, types[int(type)], False, SmInteractStyleNone, False);
    return ProgramProcess::waitFor([this] { return d->saved; });
}

void SessionManagerStub::die()
{
    if (d->client)
        SmsDie(d->client);
}

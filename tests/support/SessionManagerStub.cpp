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
    IceConn connection = nullptr;
    SmsConn client = nullptr;
    bool saved = false;
};

namespace {

using State = SessionManagerStub::State;

// Calls handle whenever socket can be read, until handle returns false.
void Watch(QObject *parent, int socket, const std::function<bool()> &handle)
{
    auto *notifier = new QSocketNotifier(socket, QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [notifier, handle] { notifier->setEnabled(handle()); });
}

Status RegisterClient(SmsConn client, SmPointer, char *previousId)
{
    std::free(previousId);
    char *id = SmsGenerateClientID(client);
    SmsRegisterClientReply(client, id);
    std::free(id);
    return 1;
}

void CloseConnection(SmsConn client, SmPointer data, int count, char **reasons)
{
    SmFreeReasons(count, reasons);
    SmsCleanUp(client);
    static_cast<State *>(data)->client = nullptr;
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

// Answers every request a client may make, in SmsCallbacks' order; what it
// sends is freed.
Status AcceptClient(SmsConn client, SmPointer data, unsigned long *mask, SmsCallbacks *callbacks, char **)
{
    static_cast<State *>(data)->client = client;
    *mask = ~0ul;
    *callbacks = {{RegisterClient, data},
                  {[](SmsConn c, SmPointer, int) { SmsInteract(c); }, data},
                  {[](SmsConn, SmPointer, Bool) {}, data},
                  {[](SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}, data},
                  {[](SmsConn c, SmPointer) { SmsSaveYourselfPhase2(c); }, data},
                  {[](SmsConn, SmPointer d, Bool) { static_cast<State *>(d)->saved = true; }, data},
                  {CloseConnection, data},
                  {SetProperties, data},
                  {DeleteProperties, data},
                  {[](SmsConn c, SmPointer) { SmsReturnProperties(c, 0, nullptr); }, data}};
    return 1;
}

} // namespace

SessionManagerStub::SessionManagerStub() : d(new State)
{
    // libICE's default ends the process when a client goes away.
    IceSetIOErrorHandler([](IceConn) {});
    char error[256] = {};
    const auto acceptLocalHost = [](char *) -> Bool { return True; }; // only this computer reaches the socket
    _IceTransNoListen("tcp");
    if (!SmsInitialize("Zettlor tests", "1.0", AcceptClient, d.get(), acceptLocalHost, sizeof error, error) ||
        !IceListenForConnections(&d->listenerCount, &d->listeners, sizeof error, error))
        return;
    for (int i = 0; i < d->listenerCount; ++i) {
        IceListenObj listener = d->listeners[i];
        IceSetHostBasedAuthProc(listener, acceptLocalHost);
        Watch(&d->notifiers, IceGetListenConnectionNumber(listener), [this, listener] {
            IceAcceptStatus status;
            if (IceConn accepted = IceAcceptConnection(listener, &status)) {
                d->connection = accepted;
                // A client gone leaves the connection for the destructor to close.
                Watch(&d->notifiers, IceConnectionNumber(accepted), [accepted] {
                    return IceProcessMessages(accepted, nullptr, nullptr) != IceProcessMessagesIOError;
                });
            }
            return true;
        });
    }
    char *address = IceComposeNetworkIdList(d->listenerCount, d->listeners);
    m_address = QString::fromLocal8Bit(address);
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

bool SessionManagerStub::saveYourself(SaveType type)
{
    if (!d->client)
        return false;
    d->saved = false;
    SmsSaveYourself(d->client, type == SaveType::Local ? SmSaveLocal : SmSaveGlobal, False,
                    SmInteractStyleNone, False);
    return ProgramProcess::waitFor([this] { return d->saved; });
}

void SessionManagerStub::die()
{
    if (d->client)
        SmsDie(d->client);
}

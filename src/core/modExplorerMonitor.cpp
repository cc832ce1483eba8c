#include "core/modExplorerMonitor.h"

#include "platform/Platform.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>
#include "core/Logging.h"


namespace modExplorerMonitor {
namespace {

const QByteArray kLaunchedWord("ZettlorLaunched");
QLocalServer *monitor = nullptr;

void ReadLaunchedWord(QLocalSocket *socket, const std::function<void()> &onLaunched)
{
    // The word may come in pieces; keep what has arrived on the socket itself.
    QByteArray received = socket->property("received").toByteArray() + socket->readAll();
    socket->setProperty("received", received);
    if (received.contains(kLaunchedWord)) {
        socket->setProperty("received", QByteArray());
        qCInfo(lcCore) << "another start handed over";
        onLaunched();
    }
}

void AcceptConnections(const std::function<void()> &onLaunched)
{
    while (QLocalSocket *socket = monitor->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [socket, onLaunched] { ReadLaunchedWord(socket, onLaunched); });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            ReadLaunchedWord(socket, onLaunched);
    }
}

} // namespace

QString ServerPath()
{
    const QString folder = platform::RuntimeFolder();
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/Zettlor-") + platform::CurrentUserName() + QStringLiteral(".socket");
}

bool NotifyRunningCopy()
{
    QLocalSocket socket;
    socket.connectToServer(ServerPath());
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(kLaunchedWord);
    socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(1000);
    return true;
}

bool StartExplorerMonitor(std::function<void()> onLaunched)
{
    if (monitor)
        return true;
    const QString path = ServerPath();
    if (path.isEmpty()) {
        qCWarning(lcCore) << "no private folder for the running-copy socket: a second start is not detected";
        return true;
    }
    monitor = new QLocalServer(QCoreApplication::instance());
    monitor->setSocketOptions(QLocalServer::UserAccessOption);
    if (!monitor->listen(path)) {
        // Either a live copy owns the socket or a crashed one left it behind.
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            probe.abort();
            delete monitor;
            monitor = nullptr;
            return false;
        }
        QLocalServer::removeServer(path);
        if (!monitor->listen(path))
            qCInfo(lcCore) << "cannot listen on" << path << monitor->errorString();
    }
    QObject::connect(monitor, &QLocalServer::newConnection, monitor,
                     [onLaunched] { AcceptConnections(onLaunched); });
    return true;
}

void StopExplorerMonitor()
{
    if (!monitor)
        return;
    monitor->close();
    delete monitor;
    monitor = nullptr;
}

} // namespace modExplorerMonitor

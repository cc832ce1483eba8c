#include "PrivateBus.h"

#include "ProgramProcess.h"

#include <QStandardPaths>

PrivateBus::PrivateBus()
{
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
        m_problem = "dbus-daemon is not installed";
        return;
    }
    m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ProgramProcess::waitFor(
        [&] { return m_daemon.canReadLine() || m_daemon.state() == QProcess::NotRunning; });
    m_address = QString::fromLatin1(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty())
        m_problem = "dbus-daemon did not start";
}

PrivateBus::~PrivateBus()
{
    QDBusConnection::disconnectFromBus(m_address);
    EndProcess(m_daemon);
}

void PrivateBus::addTo(QProcessEnvironment &environment) const
{
    environment.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
}

QDBusConnection PrivateBus::connection() const
{
    return QDBusConnection::connectToBus(m_address, m_address);
}

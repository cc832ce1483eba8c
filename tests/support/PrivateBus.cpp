#include "PrivateBus.h"

#include "ProgramProcess.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStandardPaths>

namespace {

const QString kItemPath = "/StatusNotifierItem";
const QString kItemInterface = "org.kde.StatusNotifierItem";

QDBusMessage ItemProperty(const QDBusConnection &bus, const QString &item, const QString &name)
{
    QDBusMessage get =
        QDBusMessage::createMethodCall(item, kItemPath, "org.freedesktop.DBus.Properties", "Get");
    get << kItemInterface << name;
    return bus.call(get, QDBus::Block, 2000);
}

} // namespace

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
    m_daemon.terminate();
    m_daemon.waitForFinished(3000);
}

void PrivateBus::addTo(QProcessEnvironment &environment) const
{
    environment.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
}

QDBusConnection PrivateBus::connection() const
{
    return QDBusConnection::connectToBus(m_address, m_address);
}

QString PrivateBus::itemOf(qint64 pid) const
{
    const QDBusConnection bus = connection();
    for (const QString &name : bus.interface()->registeredServiceNames().value()) {
        if (name.startsWith(':') && bus.interface()->servicePid(name).value() == pid &&
            ItemProperty(bus, name, "Id").type() == QDBusMessage::ReplyMessage)
            return name;
    }
    return QString();
}

bool PrivateBus::activate(const QString &item) const
{
    QDBusMessage click = QDBusMessage::createMethodCall(item, kItemPath, kItemInterface, "Activate");
    click << 0 << 0;
    return connection().call(click, QDBus::Block, 2000).type() == QDBusMessage::ReplyMessage;
}

QStringList PrivateBus::menuCaptions(const QString &item) const
{
    const QDBusMessage menu = ItemProperty(connection(), item, "Menu");
    if (menu.type() != QDBusMessage::ReplyMessage)
        return {};
    const QString menuPath =
        menu.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    // The top level of the menu: the root and its children.
    QDBusMessage getLayout =
        QDBusMessage::createMethodCall(item, menuPath, "com.canonical.dbusmenu", "GetLayout");
    getLayout << 0 << 1 << QStringList{"label", "type", "visible"};
    const QDBusMessage layout = connection().call(getLayout, QDBus::Block, 2000);
    if (layout.type() != QDBusMessage::ReplyMessage || layout.arguments().size() < 2)
        return {};
    int id = 0;
    QVariantMap properties;
    QVariantList children;
    const QDBusArgument root = layout.arguments().at(1).value<QDBusArgument>();
    root.beginStructure();
    root >> id >> properties >> children;
    root.endStructure();
    QStringList captions;
    for (const QVariant &child : children) {
        const QDBusArgument entry = child.value<QDBusArgument>();
        QVariantList grandChildren;
        entry.beginStructure();
        entry >> id >> properties >> grandChildren;
        entry.endStructure();
        if (properties.value("visible", true).toBool())
            captions << (properties.value("type") == "separator" ? "-"
                                                                 : properties.value("label").toString());
    }
    return captions;
}

#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

// A private D-Bus session bus (dbus-daemon) for whole-program tests of the
// tray on StatusNotifierItem hosts; it ends with the object. The probes talk
// to a program's item as a panel does.
class PrivateBus final
{
    Q_DISABLE_COPY_MOVE(PrivateBus)

public:
    PrivateBus();
    ~PrivateBus();

    // Why the bus cannot be used ("" when it can); a test skips with it.
    QString problem() const { return m_problem; }
    // Points a child process (the program, a panel) at this bus.
    void addTo(QProcessEnvironment &environment) const;
    // This process's own connection to the bus.
    QDBusConnection connection() const;

    // The bus name under which the process exports its StatusNotifierItem;
    // "" while it exports none.
    QString itemOf(qint64 pid) const;
    // What a host does on a left click on the item.
    bool activate(const QString &item) const;
    // The captions of the item's menu as a host shows them, "-" for a
    // separator.
    QStringList menuCaptions(const QString &item) const;

private:
    QString m_problem;
    QString m_address;
    QProcess m_daemon;
};

#pragma once

#include <QDBusConnection>
#include <QProcess>

// A private D-Bus session bus (dbus-daemon) for whole-program tests of the
// tray on StatusNotifierItem hosts; it ends with the object.
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

private:
    QString m_problem;
    QString m_address;
    QProcess m_daemon;
};

#include "PrivateDisplay.h"

#include "TestEnvironment.h"

#include <QRegularExpression>
#include <QStandardPaths>

PrivateDisplay::PrivateDisplay(Tray tray)
{
    QStringList tools{"Xvfb", "xdotool", "xwininfo"};
    if (tray == Tray::IceWm)
        tools << "icewm";
    for (const QString &tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            m_problem = tool + " is not installed";
            return;
        }
    }
    // Xvfb takes the first free display number and says which on stdout.
    m_server.start("Xvfb",
                   {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"});
    ProgramProcess::waitFor(
        [&] { return m_server.canReadLine() || m_server.state() == QProcess::NotRunning; });
    if (!m_server.canReadLine()) {
        m_problem = "Xvfb did not start";
        return;
    }
    m_name = ":" + QString::fromLatin1(m_server.readLine()).trimmed();
    if (tray == Tray::IceWm && !startTray())
        m_problem = "icewm showed no system tray";
}

PrivateDisplay::~PrivateDisplay()
{
    EndProcess(m_tray);
    EndProcess(m_server);
}

QProcessEnvironment PrivateDisplay::environment(QProcessEnvironment base) const
{
    base.insert("DISPLAY", m_name);
    base.insert("QT_QPA_PLATFORM", "xcb");
    base.remove("WAYLAND_DISPLAY");
    // Never the tray of the desktop the tests run on.
    base.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    return base;
}

bool PrivateDisplay::startTray()
{
    m_tray.setProcessEnvironment(environment());
    m_tray.start("icewm", {});
    QString tree;
    return ProgramProcess::waitFor([&] {
               return m_tray.state() == QProcess::NotRunning ||
                      (run("xwininfo", {"-root", "-tree"}, &tree) && tree.contains("\"SystemTray\""));
           }) &&
           m_tray.state() != QProcess::NotRunning;
}

bool PrivateDisplay::run(const QString &program, const QStringList &arguments, QString *output) const
{
    QProcess client;
    client.setProcessEnvironment(environment());
    client.start(program, arguments);
    const bool ran = client.waitForFinished(10000) && client.exitStatus() == QProcess::NormalExit &&
                     client.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(client.readAllStandardOutput());
    return ran;
}

QMap<qulonglong, QRect> PrivateDisplay::windowsOf(qint64 pid) const
{
    QString shell;
    run("xdotool",
        {"search", "--all", "--onlyvisible", "--pid", QString::number(pid), "--name", "", "getwindowgeometry",
         "--shell", "%@"},
        &shell);
    static const QRegularExpression entry(
        "WINDOW=(\\d+)\\nX=(-?\\d+)\\nY=(-?\\d+)\\nWIDTH=(\\d+)\\nHEIGHT=(\\d+)");
    QMap<qulonglong, QRect> windows;
    for (const QRegularExpressionMatch &match : entry.globalMatch(shell))
        windows.insert(match.captured(1).toULongLong(),
                       QRect(match.captured(2).toInt(), match.captured(3).toInt(), match.captured(4).toInt(),
                             match.captured(5).toInt()));
    return windows;
}

QList<qulonglong> PrivateDisplay::trayIcons() const
{
    QString tree;
    static const QRegularExpression trayWindow("(0x[0-9a-f]+) \"SystemTray\"");
    const QRegularExpressionMatch tray =
        run("xwininfo", {"-root", "-tree"}, &tree) ? trayWindow.match(tree) : QRegularExpressionMatch();
    if (!tray.hasMatch() || !run("xwininfo", {"-id", tray.captured(1), "-tree"}, &tree))
        return {};
    static const QRegularExpression child("\\n\\s+0x([0-9a-f]+) ");
    QList<qulonglong> icons;
    for (const QRegularExpressionMatch &match : child.globalMatch(tree))
        icons << match.captured(1).toULongLong(nullptr, 16);
    return icons;
}

QProcessEnvironment ProgramEnvironment(const TestEnvironment &environment, const PrivateDisplay &display)
{
    return display.environment(ProgramEnvironment(environment));
}

#pragma once

#include "ProgramProcess.h"

#include <QMap>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QStringList>

// A private X server (Xvfb) for whole-program tests that need what offscreen cannot give: a tray, menus shown
// to the real pointer, a display that goes away. Optionally with icewm, a window manager with an XEmbed
// system tray. Drive it with xdotool through run(); everything it starts ends with it.
class PrivateDisplay final
{
    Q_DISABLE_COPY_MOVE(PrivateDisplay)

public:
    enum class Tray { None, IceWm };
    static constexpr QSize kScreen{1280, 800};

    explicit PrivateDisplay(Tray tray);
    ~PrivateDisplay();

    // Why the display cannot be used ("" when it can); a test skips with it.
    QString problem() const { return m_problem; }
    // base with what a program needs to run on this display.
    QProcessEnvironment
    environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

    // icewm with its tray; false when the tray did not come up.
    bool startTray();
    void stopTray() { EndProcess(m_tray); }
    // Ends the X server, as when the display goes away.
    void stopServer() { EndProcess(m_server); }

    // Runs an X client (xdotool, xwininfo) on this display; false when it
    // failed. Its standard output goes to output.
    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr) const;
    // The shown windows of a process by window id, in screen coordinates.
    QMap<qulonglong, QRect> windowsOf(qint64 pid) const;
    // The ids of the windows docked in icewm's system tray.
    QList<qulonglong> trayIcons() const;

private:
    QString m_problem;
    QString m_name; // ":N"
    QProcess m_server;
    QProcess m_tray;
};

class TestEnvironment;

// ProgramEnvironment(environment) on display.
QProcessEnvironment ProgramEnvironment(const TestEnvironment &environment, const PrivateDisplay &display);

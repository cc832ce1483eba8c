#pragma once

#include <QProcess>
#include <QStringList>
#include <functional>

// A real zettlor process for whole-program tests.
class ProgramProcess final
{
    Q_DISABLE_COPY_MOVE(ProgramProcess)

public:
    explicit ProgramProcess(const QProcessEnvironment &environment)
    {
        m_process.setProcessEnvironment(environment);
    }
    ~ProgramProcess() { stop(); }

    // Starts the program with arguments; false when it could not start.
    bool start(const QStringList &arguments = {});
    // Waits until condition holds or timeoutMs passes, processing events.
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs = 10000);
    // Waits for the end; its exit code, or -1 when it still runs.
    int waitForExit(int timeoutMs = 10000);
    // Asks it to end (SIGTERM), then kills it after timeoutMs.
    void stop(int timeoutMs = 5000);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // What it wrote to standard error so far.
    QString errorOutput();
    QString standardOutput();
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_stderr;
    QByteArray m_stdout;
};

// The executable under test.
QString ProgramPath();

#pragma once

#include <QProcess>
#include <QStringList>
#include <functional>

// The executable under test.
QString ProgramPath();
// Asks process to end (SIGTERM), then kills it after timeoutMs.
void EndProcess(QProcess &process, int timeoutMs = 5000);

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
    // Starts executable and waits until its start-up has finished (it logs "started;" on zettlor.core, which
    // this switches on); false when it did not get that far.
    bool startUp(const QStringList &arguments, const QString &executable = ProgramPath());
    // Waits until condition holds or timeoutMs passes, processing events.
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs = 10000);
    // Waits for the end; its exit code, or -1 when it still runs.
    int waitForExit(int timeoutMs = 10000);
    // Asks it to end (SIGTERM), then kills it after 5 s.
    void stop() { EndProcess(m_process); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // What it wrote to standard error so far.
    QString errorOutput();
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_stderr;
};

#include "ProgramProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

QString ProgramPath()
{
    return QStringLiteral(ZETTLOR_EXECUTABLE);
}

bool ProgramProcess::start(const QStringList &arguments)
{
    m_process.start(ProgramPath(), arguments);
    return m_process.waitForStarted(5000);
}

bool ProgramProcess::startUp(const QStringList &arguments, const QString &executable)
{
    QProcessEnvironment environment = m_process.processEnvironment();
    environment.insert("QT_LOGGING_RULES", "zettlor.core.info=true");
    m_process.setProcessEnvironment(environment);
    m_process.start(executable, arguments);
    return m_process.waitForStarted(5000) && waitFor([this] { return errorOutput().contains("started;"); });
}

bool ProgramProcess::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

int ProgramProcess::waitForExit(int timeoutMs)
{
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(timeoutMs))
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void EndProcess(QProcess &process, int timeoutMs)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(timeoutMs);
    }
}

QString ProgramProcess::errorOutput()
{
    m_stderr += m_process.readAllStandardError();
    return QString::fromLocal8Bit(m_stderr);
}

#include "TestEnvironment.h"

#include "core/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QByteArray kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                 "XDG_RUNTIME_DIR", "TMPDIR"};

} // namespace

TestEnvironment::TestEnvironment()
{
    for (const QByteArray &name : kVariables)
        m_saved.insert(name, qgetenv(name));
    const QString base = m_root.path();
    const QStringList folders{home(), configHome(), dataHome(), base + "/cache", runtimeFolder(),
                              base + "/tmp", programFolder()};
    for (const QString &folder : folders)
        QDir().mkpath(folder);
    QFile::setPermissions(runtimeFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", home().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
    qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (base + "/cache").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtimeFolder().toLocal8Bit());
    qputenv("TMPDIR", (base + "/tmp").toLocal8Bit());
    // QSettings remembers the user folder it saw first; point it here.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome());
    ResetGlobals();
    ProgramFolder = programFolder();
    DataFolder = defaultDataFolder();
}

TestEnvironment::~TestEnvironment()
{
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it)
        qputenv(it.key(), it.value());
    ResetGlobals();
}

QString TestEnvironment::home() const { return m_root.path() + "/home/tester"; }
QString TestEnvironment::dataHome() const { return home() + "/.local/share"; }
QString TestEnvironment::configHome() const { return home() + "/.config"; }
QString TestEnvironment::runtimeFolder() const { return m_root.path() + "/run"; }
QString TestEnvironment::defaultDataFolder() const { return dataHome() + "/Zettlor"; }
QString TestEnvironment::programFolder() const { return m_root.path() + "/program"; }

QProcessEnvironment TestEnvironment::processEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QByteArray &name : kVariables)
        environment.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

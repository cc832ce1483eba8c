#include "TestEnvironment.h"

#include "core/Globals.h"
#include "core/modDialogs.h"
#include "web/modWebLinks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

TestEnvironment::TestEnvironment()
{
    const QList<std::pair<QByteArray, QString>> folders{{"HOME", home()},
                                                        {"XDG_CONFIG_HOME", configHome()},
                                                        {"XDG_DATA_HOME", dataHome()},
                                                        {"XDG_CACHE_HOME", root() + "/cache"},
                                                        {"XDG_RUNTIME_DIR", runtimeFolder()},
                                                        {"TMPDIR", root() + "/tmp"}};
    for (const auto &[name, folder] : folders) {
        m_saved.insert(name, qgetenv(name));
        QDir().mkpath(folder);
        qputenv(name, folder.toLocal8Bit());
    }
    for (const char *name : {"ZETTLOR_WEB_BASE", "http_proxy"})
        m_settable.insert(name,
                          qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    QDir().mkpath(programFolder());
    QFile::setPermissions(runtimeFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
    for (auto it = m_settable.cbegin(); it != m_settable.cend(); ++it)
        *it ? qputenv(it.key(), **it) : qunsetenv(it.key());
    modDialogs::SetDialogRunner({});
    modWebLinks::SetUrlOpener({});
    ResetGlobals();
}

QProcessEnvironment TestEnvironment::processEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QByteArray &name : m_saved.keys())
        environment.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
}

QProcessEnvironment ProgramEnvironment(const TestEnvironment &environment)
{
    QProcessEnvironment variables = environment.processEnvironment();
    variables.insert("ZETTLOR_DIALOG_LOG", environment.root() + "/dialogs.log");
    variables.insert("ZETTLOR_WEB_BASE", "http://127.0.0.1:9");
    return variables;
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

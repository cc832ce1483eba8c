#include "PeerEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>

PeerEnvironment::PeerEnvironment()
{
    for (const QString &folder : {home(), configHome(), root() + "/cache", root() + "/run", root() + "/tmp"})
        QDir().mkpath(folder);
    QFile::setPermissions(root() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void PeerEnvironment::writeSetting(const QString &key, const QString &value) const
{
    QSettings store(configHome() + "/Zettlor/Zettlor.conf", QSettings::IniFormat);
    store.setValue(key, value);
}

QProcessEnvironment PeerEnvironment::processEnvironment(const QString &loggingRules) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home());
    environment.insert("XDG_CONFIG_HOME", configHome());
    environment.insert("XDG_DATA_HOME", home() + "/.local/share");
    environment.insert("XDG_CACHE_HOME", root() + "/cache");
    environment.insert("XDG_RUNTIME_DIR", root() + "/run");
    environment.insert("TMPDIR", root() + "/tmp");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("ZETTLOR_DIALOG_LOG", dialogLog());
    environment.insert("QT_LOGGING_RULES",
                       loggingRules.isEmpty() ? QString("zettlor.core.info=true") : loggingRules);
    return environment;
}

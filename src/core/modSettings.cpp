#include "core/modSettings.h"

#include "core/Globals.h"
#include "core/modINI.h"
#include "core/modText.h"

#include <QSettings>

namespace modSettings {
namespace {

// QSettings separates groups with "/" and "\"; the legacy section "\" is the
// store's top level.
QString NativeKey(const QString &section, const QString &key)
{
    if (section == QLatin1String(SettingKeys::LegacyNotesSection))
        return key;
    return section + QLatin1Char('/') + key;
}

QSettings NativeStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zettlor"),
                     QStringLiteral("Zettlor"));
}

} // namespace

QString PortableSettingsFile()
{
    return ProgramFolder + QStringLiteral("/Settings.ini");
}

QString ReadSetting(const QString &section, const QString &key)
{
    if (PortableMode)
        return modINI::ReadIni(section, key, PortableSettingsFile());
    return NativeStore().value(NativeKey(section, key)).toString();
}

bool WriteSetting(const QString &section, const QString &key, const QString &value)
{
    if (PortableMode)
        return modINI::WriteIni(section, key, value, PortableSettingsFile());
    QSettings store = NativeStore();
    store.setValue(NativeKey(section, key), value);
    store.sync();
    return store.status() == QSettings::NoError;
}

QString ReadSetting(const SettingKeys::Key &key)
{
    return ReadSetting(QLatin1String(key.section), QLatin1String(key.key));
}

bool WriteSetting(const SettingKeys::Key &key, const QString &value)
{
    return WriteSetting(QLatin1String(key.section), QLatin1String(key.key), value);
}

QString ReadSettingOrDefault(const SettingKeys::Key &key)
{
    const QString value = ReadSetting(key);
    return value.isEmpty() ? QLatin1String(key.defaultText) : value;
}

QString ReadProxyUsername() { return modText::DecodeText(ReadSetting(SettingKeys::ProxyUsername)); }
QString ReadProxyPassword() { return modText::DecodeText(ReadSetting(SettingKeys::ProxyPassword)); }
void WriteProxyUsername(const QString &text) { WriteSetting(SettingKeys::ProxyUsername, modText::EncodeText(text)); }
void WriteProxyPassword(const QString &text) { WriteSetting(SettingKeys::ProxyPassword, modText::EncodeText(text)); }

} // namespace modSettings

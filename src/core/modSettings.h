#pragma once

#include "core/SettingKeys.h"

#include <QString>

// The settings store: Settings.ini beside the executable in portable mode,
// otherwise the per-user QSettings store of application "Zettlor". A missing
// key reads as the empty text.
namespace modSettings {

QString ReadSetting(const QString &section, const QString &key);
bool WriteSetting(const QString &section, const QString &key, const QString &value);

QString ReadSetting(const SettingKeys::Key &key);
bool WriteSetting(const SettingKeys::Key &key, const QString &value);
// The stored text, or the key's default when it is empty.
QString ReadSettingOrDefault(const SettingKeys::Key &key);

// Settings.ini in the program folder.
QString PortableSettingsFile();

QString ReadProxyUsername();
QString ReadProxyPassword();
void WriteProxyUsername(const QString &text);
void WriteProxyPassword(const QString &text);

} // namespace modSettings

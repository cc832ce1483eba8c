#include "core/modStartWithWindows.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/SettingKeys.h"
#include "core/modFiles.h"
#include "core/modRegReadWrite.h"
#include "core/modSettings.h"
#include "notes/modNoteText.h"

#include <QCoreApplication>

namespace modStartWithWindows {
namespace {

const QString kEntryName = QStringLiteral("Zettlor");

// Autostart entries only older releases made.
const char *const kOlderEntryNames[] = {
    "Zettlor Note Launcher (Required to load Zettlor notes on Windows startup)", "Zettlor Note Launcher"};

constexpr int kLegacyNoteCount = 30;

// A note file of the bare text, as long as it reads back as that text. With
// nine commas its start would be read as the note's fields and lost, so it
// then gets empty fields first, which leave the note's look to the defaults.
QString LegacyNoteFile(const QString &text)
{
    return modNoteText::ParseNoteText(text).text == text ? text : QStringLiteral(",,,,,,,,,") + text;
}

// A legacy value is two fields, then the note text with every "&" doubled.
void MigrateLegacyNote(const QString &key)
{
    const QString section = QLatin1String(SettingKeys::LegacyNotesSection);
    const QString value = modSettings::ReadSetting(section, key);
    const qsizetype firstComma = value.indexOf(QLatin1Char(','));
    const qsizetype secondComma = firstComma < 0 ? -1 : value.indexOf(QLatin1Char(','), firstComma + 1);
    if (secondComma < 0)
        return;
    const QString text = value.mid(secondComma + 1).replace(QStringLiteral("&&"), QStringLiteral("&"));
    const QString file =
        modFiles::ActiveFolder() + QLatin1Char('/') + modFiles::NewNoteFileName(modFiles::ActiveFolder());
    // The value is the only copy of the note until its file is written.
    if (!modFiles::WriteTextFile(file, LegacyNoteFile(text))) {
        qCInfo(lcCore) << "legacy note" << key << "kept: cannot write" << file;
        return;
    }
    modSettings::WriteSetting(section, key, QString());
}

} // namespace

void RegisterStartAtLogon()
{
    if (!modRegReadWrite::WriteRegistryString(kEntryName, QCoreApplication::applicationFilePath()))
        qCInfo(lcCore) << "cannot write the autostart entry in" << modRegReadWrite::AutostartFolder();
}

void MigrateLegacyNotes()
{
    for (int i = 1; i <= kLegacyNoteCount; ++i)
        MigrateLegacyNote(QLatin1String(SettingKeys::LegacyNoteKeyPrefix) + QString::number(i));
    for (const char *name : kOlderEntryNames)
        modRegReadWrite::DeleteRegistryValue(QLatin1String(name));
    // Older releases used the current name too. A portable copy never
    // registers itself, so there the entry belongs to an installed copy.
    if (!PortableMode)
        modRegReadWrite::DeleteRegistryValue(kEntryName);
}

} // namespace modStartWithWindows

#include "core/modINI.h"

#include "core/Logging.h"
#include "core/modAlerts.h"
#include "core/modFiles.h"

#include <QDir>
#include <QHash>
#include <QStringList>

namespace modINI {
namespace {

struct IniLine
{
    QString section; // set for "[section]" lines
    QString key;     // set for "key=value" lines
    QString value;
};

// The lines of a file and the line end it uses.
struct IniText
{
    QStringList lines;
    QString lineEnd;
};

struct Setting
{
    QString section;
    QString key;
    QString value;
};

// Settings written to a file that exists but cannot be read. Writing the file
// would rebuild it from nothing, so they are kept here, where reads see them,
// until the file can be read again.
QHash<QString, QList<Setting>> heldSettings; // by file

bool IsSectionLine(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char('[')) && trimmed.contains(QLatin1Char(']'));
}

IniLine ParseLine(const QString &line)
{
    IniLine parsed;
    const QString trimmed = line.trimmed();
    if (IsSectionLine(trimmed)) {
        parsed.section = trimmed.mid(1, trimmed.indexOf(QLatin1Char(']')) - 1).trimmed();
        return parsed;
    }
    if (trimmed.startsWith(QLatin1Char(';')))
        return parsed;
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals > 0) {
        parsed.key = line.left(equals).trimmed();
        parsed.value = line.mid(equals + 1).trimmed();
    }
    return parsed;
}

// Keys are stored upper-case, and upper-casing may change the length ("ß"
// becomes "SS"), so names are compared in that form.
bool SameName(const QString &a, const QString &b)
{
    return a.toUpper() == b.toUpper();
}

// Names that a line holds as they are: nothing that ends the line, closes the
// section header, reads as a section, a comment or the "=", or is trimmed away.
bool IsStorableSection(const QString &section)
{
    return section == section.trimmed() && !section.contains(QLatin1Char(']')) &&
           !section.contains(QLatin1Char('\r')) && !section.contains(QLatin1Char('\n'));
}

bool IsStorableKey(const QString &key)
{
    return !key.isEmpty() && key == key.trimmed() && !key.startsWith(QLatin1Char('[')) &&
           !key.startsWith(QLatin1Char(';')) && !key.contains(QLatin1Char('=')) &&
           !key.contains(QLatin1Char('\r')) && !key.contains(QLatin1Char('\n'));
}

// A value always stays on its own line.
QString OneLine(QString value)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

// Splits keeping the file's own line ends: CR LF unless the file uses LF.
IniText SplitLines(QString text)
{
    // Byte order marks are no content; a second one would otherwise hide the
    // first line once the file is rewritten without it.
    while (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    IniText ini;
    ini.lineEnd = text.contains(QLatin1String("\r\n")) || text.isEmpty() ? QStringLiteral("\r\n")
                                                                         : QStringLiteral("\n");
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    ini.lines = text.split(QLatin1Char('\n'));
    if (!ini.lines.isEmpty() && ini.lines.last().isEmpty())
        ini.lines.removeLast();
    return ini;
}

// Replaces the key's line in the section, or adds the key at the section's
// end, or adds the section at the end of the file.
void SetValue(IniText &ini, const Setting &change)
{
    QStringList &lines = ini.lines;
    const QString newLine = change.key.toUpper() + QLatin1Char('=') + change.value;
    bool inSection = false;
    qsizetype sectionEnd = -1; // index after the last key line of the section
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed();
        if (IsSectionLine(trimmed)) {
            inSection = SameName(ParseLine(lines[i]).section, change.section);
            if (inSection)
                sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        const IniLine parsed = ParseLine(lines[i]);
        if (!parsed.key.isEmpty() && SameName(parsed.key, change.key)) {
            lines[i] = newLine;
            return;
        }
        if (!trimmed.isEmpty())
            sectionEnd = i + 1;
    }
    if (sectionEnd >= 0) {
        lines.insert(sectionEnd, newLine);
    } else {
        lines.append(QLatin1Char('[') + change.section + QLatin1Char(']'));
        lines.append(newLine);
    }
}

void Hold(const QString &file, const Setting &change)
{
    qCWarning(lcCore) << "cannot read" << file << "- kept in memory only:" << change.section << change.key;
    QList<Setting> &held = heldSettings[file];
    if (held.isEmpty())
        modAlerts::ShowAlert(
            QStringLiteral(
                "Zettlor cannot read %1. Changed settings are not saved to it while it cannot be read.")
                .arg(QDir::toNativeSeparators(file)));
    held.removeIf([&](const Setting &old) {
        return SameName(old.section, change.section) && SameName(old.key, change.key);
    });
    held.append(change);
}

} // namespace

QString ReadIni(const QString &section, const QString &key, const QString &file)
{
    for (const Setting &held : heldSettings.value(file)) {
        if (SameName(held.section, section) && SameName(held.key, key))
            return held.value.trimmed();
    }
    bool inSection = false;
    for (const QString &line : SplitLines(modFiles::ReadTextFile(file)).lines) {
        const IniLine parsed = ParseLine(line);
        if (IsSectionLine(line.trimmed()))
            inSection = SameName(parsed.section, section);
        else if (inSection && !parsed.key.isEmpty() && SameName(parsed.key, key))
            return parsed.value;
    }
    return QString();
}

bool WriteIni(const QString &section, const QString &key, const QString &value, const QString &file)
{
    if (!IsStorableSection(section) || !IsStorableKey(key)) {
        qCWarning(lcCore) << "not written: no INI line can hold" << section << key;
        return false;
    }
    const Setting change{section, key, OneLine(value)};
    QString text;
    if (modFiles::ReadTextFile(file, text) == modFiles::ReadOutcome::Unreadable) {
        Hold(file, change);
        return false;
    }
    // Values held while the file could not be read go in with this one.
    const QList<Setting> held = heldSettings.take(file);
    IniText ini = SplitLines(text);
    for (const Setting &earlier : held)
        SetValue(ini, earlier);
    SetValue(ini, change);
    if (modFiles::WriteTextFile(file, ini.lines.join(ini.lineEnd) + ini.lineEnd))
        return true;
    if (!held.isEmpty())
        heldSettings.insert(file, held);
    return false;
}

} // namespace modINI

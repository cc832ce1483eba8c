#include "core/modINI.h"

#include "core/modFiles.h"

#include <QStringList>

namespace modINI {
namespace {

struct IniLine
{
    QString section; // set for "[section]" lines
    QString key;     // set for "key=value" lines
    QString value;
};

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

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Splits keeping the file's own line ends; remembers whether it used CR LF.
QStringList SplitLines(const QString &text, QString *lineEnd)
{
    *lineEnd = text.contains(QLatin1String("\r\n")) || text.isEmpty() ? QStringLiteral("\r\n")
                                                                        : QStringLiteral("\n");
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = unified.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

QString ReadIni(const QString &section, const QString &key, const QString &file)
{
    QString lineEnd;
    bool inSection = false;
    for (const QString &line : SplitLines(modFiles::ReadTextFile(file), &lineEnd)) {
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
    QString lineEnd;
    QStringList lines = SplitLines(modFiles::ReadTextFile(file), &lineEnd);
    const QString newLine = key.toUpper() + QLatin1Char('=') + value;

    bool inSection = false;
    qsizetype sectionEnd = -1; // index after the last key line of the section
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed();
        if (IsSectionLine(trimmed)) {
            inSection = SameName(ParseLine(lines[i]).section, section);
            if (inSection)
                sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        const IniLine parsed = ParseLine(lines[i]);
        if (!parsed.key.isEmpty() && SameName(parsed.key, key)) {
            lines[i] = newLine;
            return modFiles::WriteTextFile(file, lines.join(lineEnd) + lineEnd);
        }
        if (!trimmed.isEmpty())
            sectionEnd = i + 1;
    }
    if (sectionEnd >= 0) {
        lines.insert(sectionEnd, newLine);
    } else {
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(newLine);
    }
    return modFiles::WriteTextFile(file, lines.join(lineEnd) + lineEnd);
}

} // namespace modINI

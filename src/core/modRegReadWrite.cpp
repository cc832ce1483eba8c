#include "core/modRegReadWrite.h"

#include "core/modFiles.h"

#include <QDir>
#include <QHash>
#include <QStandardPaths>

namespace modRegReadWrite {
namespace {

// Every desktop entry value takes these escapes; without them a line break
// in a path would end the value and start a line of its own.
QString EscapeValue(const QString &text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"));
}

QString UnescapeValue(const QString &value)
{
    static const QHash<QChar, QChar> codes{
        {u's', u' '}, {u'n', u'\n'}, {u't', u'\t'}, {u'r', u'\r'}, {u'\\', u'\\'}};
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size() && codes.contains(value[i + 1]))
            text += codes.value(value[++i]);
        else
            text += value[i];
    }
    return text;
}

bool IsQuotedSpecial(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\');
}

// Exec's form of one argument: in double quotes, with '"', '`', '$' and '\'
// behind a backslash and '%' doubled so that it is no field code.
QString QuoteArgument(const QString &argument)
{
    QString quoted(QLatin1Char('"'));
    for (const QChar c : argument) {
        if (IsQuotedSpecial(c))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// The program an Exec command runs: its first argument, quoted or not.
QString FirstArgument(const QString &command)
{
    const QString trimmed = command.trimmed();
    const bool quoted = trimmed.startsWith(QLatin1Char('"'));
    QString argument;
    for (qsizetype i = quoted ? 1 : 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (quoted ? c == QLatin1Char('"') : c.isSpace())
            break;
        if (quoted && c == QLatin1Char('\\') && i + 1 < trimmed.size() && IsQuotedSpecial(trimmed[i + 1]))
            argument += trimmed[++i];
        else
            argument += c;
    }
    return argument.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

// The keys of the entry's "[Desktop Entry]" group, their values unescaped.
QHash<QString, QString> EntryKeys(const QString &text)
{
    QHash<QString, QString> keys;
    bool inEntryGroup = false;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            inEntryGroup = trimmed == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        if (inEntryGroup && equals > 0 && !trimmed.startsWith(QLatin1Char('#')))
            keys.insert(trimmed.left(equals).trimmed(), UnescapeValue(trimmed.mid(equals + 1).trimmed()));
    }
    return keys;
}

QString EntryFileName(const QString &valueName)
{
    return valueName + QStringLiteral(".desktop");
}

QString EntryFile(const QString &valueName)
{
    return AutostartFolder() + QLatin1Char('/') + EntryFileName(valueName);
}

} // namespace

QString AutostartFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

bool WriteRegistryString(const QString &valueName, const QString &data)
{
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=%1\n"
                                         "Exec=%2\n"
                                         "Icon=zettlor\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(EscapeValue(valueName), EscapeValue(QuoteArgument(data)));
    modFiles::MakeFolder(AutostartFolder());
    // An entry linked to a shared file is replaced; the shared file is not written.
    return modFiles::WriteTextFile(EntryFile(valueName), entry, modFiles::LinkWrite::ReplaceLink);
}

void DeleteRegistryValue(const QString &valueName)
{
    modFiles::DeleteFile(EntryFile(valueName));
}

QString ReadRegistryValue(const QString &valueName)
{
    // Listed and compared exactly, so that case counts on any file system.
    if (!QDir(AutostartFolder()).entryList(QDir::Files).contains(EntryFileName(valueName)))
        return {};
    const QHash<QString, QString> keys = EntryKeys(modFiles::ReadTextFile(EntryFile(valueName)));
    if (keys.value(QStringLiteral("Hidden")) == QLatin1String("true") ||
        keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) == QLatin1String("false"))
        return {};
    return FirstArgument(keys.value(QStringLiteral("Exec")));
}

} // namespace modRegReadWrite

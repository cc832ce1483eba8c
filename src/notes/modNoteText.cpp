#include "notes/modNoteText.h"

#include <QStringList>
#include <cmath>
#include <limits>

namespace modNoteText {
namespace {

const QString TrailerStart = QStringLiteral("[FROM=");

// Fields 1 to 9, separated by the first nine commas, and where field 10
// starts. Without a ninth comma the text field starts at the beginning, so a
// partial file shows its whole content; the fields found still apply.
QStringList LeadingFields(const QString &text, qsizetype *textStart)
{
    QStringList fields;
    qsizetype from = 0;
    for (int i = 0; i < 9; ++i) {
        const qsizetype comma = text.indexOf(QLatin1Char(','), from);
        if (comma < 0)
            break;
        fields << text.mid(from, comma - from);
        from = comma + 1;
    }
    *textStart = fields.size() == 9 ? from : 0;
    return fields;
}

// The trailer is only ever appended to the text field, so only the last
// "[FROM=" counts, only inside that field, and only when an address and a "|"
// follow and the text ends with "]". A note's own text may then contain
// "[FROM=" freely. Any other reading would not survive a save: no trailer is
// written for an empty address, and one inside the font name would turn into
// the trailer once the fields after it are written as numbers.
void SplitSenderTrailer(QString &text, NoteRecord &record)
{
    if (!text.endsWith(QLatin1Char(']')))
        return;
    const qsizetype start = text.lastIndexOf(TrailerStart);
    qsizetype textStart = 0;
    LeadingFields(text, &textStart);
    if (start < textStart)
        return;
    const qsizetype ipStart = start + TrailerStart.size();
    const qsizetype bar = text.indexOf(QLatin1Char('|'), ipStart);
    if (bar <= ipStart)
        return;
    record.fromIP = text.mid(ipStart, bar - ipStart);
    record.fromName = text.mid(bar + 1, text.size() - bar - 2);
    text.truncate(start);
}

std::optional<qint32> ParseColour(const QString &field)
{
    bool ok = false;
    const qint64 value = field.trimmed().toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}

std::optional<float> ParsePosition(const QString &field, bool &centred)
{
    centred = field == QLatin1String("*");
    return centred ? std::nullopt : ParseNumber(field);
}

} // namespace

qint64 RoundHalfEven(double value)
{
    const double rounded =
        value - std::floor(value) == 0.5 ? 2.0 * std::round(value / 2.0) : std::round(value);
    if (!(std::abs(rounded) < 9e18))
        return 0;
    return static_cast<qint64>(rounded);
}

QString FormatNumber(float value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (value == std::floor(value) && std::abs(value) < 1e15f)
        return QString::number(static_cast<qint64>(value));
    QString text = QString::number(static_cast<double>(value), 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    // A tiny negative fraction must not come out as "-0".
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

std::optional<float> ParseNumber(const QString &text)
{
    QString normalised = text.trimmed();
    normalised.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const float value = normalised.toFloat(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

NoteRecord ParseNoteText(const QString &input)
{
    NoteRecord record;
    QString text = input;
    SplitSenderTrailer(text, record);

    qsizetype textStart = 0;
    QStringList fields = LeadingFields(text, &textStart);
    record.text = text.mid(textStart);
    if (fields.isEmpty())
        return record;
    while (fields.size() < 9)
        fields << QString();

    record.height = ParseNumber(fields[0]);
    record.width = ParseNumber(fields[1]);
    record.left = ParsePosition(fields[2], record.leftCentred);
    record.top = ParsePosition(fields[3], record.topCentred);
    const QString style = fields[4].toLower();
    record.bold = style.contains(QLatin1String("bold"));
    record.italic = style.contains(QLatin1String("italic"));
    if (!fields[5].isEmpty())
        record.fontName = fields[5];
    record.fontSize = ParseNumber(fields[6]);
    record.backColour = ParseColour(fields[7]);
    record.textColour = ParseColour(fields[8]);
    return record;
}

QString FormatNoteFields(const NoteValues &values)
{
    const auto position = [](const std::optional<float> &value) {
        return value ? FormatNumber(*value) : QStringLiteral("*");
    };
    QString style;
    if (values.bold)
        style += QLatin1String("Bold");
    if (values.italic)
        style += QLatin1String("Italic");
    return QStringList{FormatNumber(values.height),
                       FormatNumber(values.width),
                       position(values.left),
                       position(values.top),
                       style,
                       values.fontName,
                       QString::number(RoundHalfEven(values.fontSize)),
                       QString::number(values.backColour),
                       QString::number(values.textColour),
                       values.text}
        .join(QLatin1Char(','));
}

QString FormatNoteText(const NoteValues &values)
{
    QString text = FormatNoteFields(values);
    if (!values.fromIP.isEmpty())
        text += TrailerStart + values.fromIP + QLatin1Char('|') + values.fromName + QLatin1Char(']');
    return text;
}

} // namespace modNoteText

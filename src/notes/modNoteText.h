#pragma once

#include <QString>
#include <optional>

// The note text form: ten comma-separated fields (size, position, font,
// colours, text) and an optional sender trailer. Shared by note files, the
// wire and the archive.
namespace modNoteText {

// One note as read from its text. A field that was missing or bad is empty,
// so the reader keeps the window's initial value for it.
struct NoteRecord
{
    std::optional<float> height; // twips
    std::optional<float> width;
    std::optional<float> left; // empty also when written as "*"
    std::optional<float> top;
    bool leftCentred = false; // "*": centre on the primary screen
    bool topCentred = false;
    bool bold = false;
    bool italic = false;
    std::optional<QString> fontName;
    std::optional<float> fontSize; // points
    std::optional<qint32> backColour; // 0x00BBGGRR
    std::optional<qint32> textColour;
    QString text;
    QString fromIP;
    QString fromName;

    bool operator==(const NoteRecord &) const = default;
};

// A record whose every field is given, as a window holds it.
struct NoteValues
{
    float height = 0;
    float width = 0;
    std::optional<float> left; // empty: written as "*"
    std::optional<float> top;
    bool bold = false;
    bool italic = false;
    QString fontName;
    float fontSize = 0;
    qint32 backColour = 0;
    qint32 textColour = 0;
    QString text;
    QString fromIP;
    QString fromName;
};

NoteRecord ParseNoteText(const QString &text);
// Fields 1 to 10; no sender trailer.
QString FormatNoteFields(const NoteValues &values);
// Fields 1 to 10 plus the sender trailer when fromIP is not empty.
QString FormatNoteText(const NoteValues &values);

// Decimal text with "." and no decimal point for whole numbers.
QString FormatNumber(float value);
// Accepts "." or "," as the decimal separator; empty when not a number.
std::optional<float> ParseNumber(const QString &text);
// Rounded to a whole number, halves to the even neighbour.
qint64 RoundHalfEven(double value);

} // namespace modNoteText

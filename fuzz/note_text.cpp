// Reading a note text, writing it and reading it again gives the same record.
#include "notes/modNoteText.h"

#include <QByteArray>
#include <cstdlib>

using namespace modNoteText;

namespace {

NoteValues Complete(const NoteRecord &record)
{
    NoteValues values;
    values.height = record.height.value_or(4110);
    values.width = record.width.value_or(6615);
    values.left = record.left.value_or(0);
    values.top = record.top.value_or(0);
    values.bold = record.bold;
    values.italic = record.italic;
    values.fontName = record.fontName.value_or(QStringLiteral("Sans"));
    values.fontSize = static_cast<float>(RoundHalfEven(record.fontSize.value_or(10)));
    values.backColour = record.backColour.value_or(0x00C0FFFF);
    values.textColour = record.textColour.value_or(0);
    values.text = record.text;
    values.fromIP = record.fromIP;
    values.fromName = record.fromName;
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString written = FormatNoteText(Complete(ParseNoteText(input)));
    const QString again = FormatNoteText(Complete(ParseNoteText(written)));
    // A note made here whose own text ends like a trailer (or a trailer with an
    // empty address) reads as received on the next load; the form has no escape.
    const NoteRecord first = ParseNoteText(input);
    if (first.fromIP.isEmpty() && !ParseNoteText(written).fromIP.isEmpty())
        return 0;
    if (written != again)
        std::abort();
    return 0;
}

// Reading a note text, writing it and reading it again keeps text and sender
// and gives the same bytes.
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
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const NoteRecord first = ParseNoteText(input);
    const QString written = FormatNoteText(Complete(first));
    const NoteRecord read = ParseNoteText(written);
    // Text and sender survive a save and the next load unchanged.
    if (read.text != first.text || read.fromIP != first.fromIP || read.fromName != first.fromName)
        std::abort();
    if (FormatNoteText(Complete(read)) != written)
        std::abort();
    return 0;
}

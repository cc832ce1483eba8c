#include "core/modText.h"

#include <QStringDecoder>

namespace modText {
namespace {

// Unicode code points of the bytes 0x80..0x9F; the unassigned ones keep their
// C1 control value so that every byte survives a round trip.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Marks a scrambled value whose plain text is stored as UTF-8 rather than
// Windows-1252 (texts that never had a Windows-1252 form).
const QByteArray kUtf8Marker("\xEF\xBB\xBF");

bool ToByte(char16_t unit, uchar *byte)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        *byte = uchar(unit);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == unit) {
            *byte = uchar(0x80 + i);
            return true;
        }
    }
    return false;
}

QChar Windows1252Char(uchar byte)
{
    return byte >= 0x80 && byte < 0xA0 ? QChar(kHighControls[byte - 0x80]) : QChar(byte);
}

// Length of the well-formed UTF-8 sequence starting at bytes[at], 0 when none
// does: no overlong forms, no surrogates, nothing past U+10FFFF.
int Utf8SequenceLength(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return i < bytes.size() ? uchar(bytes[i]) : uchar(0); };
    const uchar lead = byte(at);
    if (lead < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80; // range of the second byte
    uchar high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

QByteArray Shift(QByteArray bytes, int direction)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(uchar(bytes[i]) + direction * int((i + 1) & 0xFF));
    return bytes;
}

} // namespace

QString FromWindows1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes)
        text.append(Windows1252Char(uchar(c)));
    return text;
}

QByteArray ToWindows1252(const QString &text, bool *allFitted)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    bool fitted = true;
    for (QChar c : text) {
        uchar b = 0;
        if (!ToByte(c.unicode(), &b)) {
            fitted = false;
            b = '?';
        }
        bytes.append(char(b));
    }
    if (allFitted)
        *allFitted = fitted;
    return bytes;
}

QString DecodeBytes(const QByteArray &bytes)
{
    // Runs of well-formed UTF-8 are decoded together, every other byte alone.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text;
    text.reserve(bytes.size());
    qsizetype runStart = 0;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int length = Utf8SequenceLength(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        text += utf8(bytes.sliced(runStart, at - runStart));
        text += Windows1252Char(uchar(bytes[at]));
        runStart = ++at;
    }
    text += utf8(bytes.sliced(runStart));
    // A byte order mark written by a Windows editor is no text.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QByteArray EncodeNarrowest(const QString &text)
{
    // Windows-1252 bytes that happen to form UTF-8 would read back as other
    // text; UTF-8 always reads back the same.
    bool fitted = false;
    const QByteArray narrow = ToWindows1252(text, &fitted);
    return fitted && DecodeBytes(narrow) == text ? narrow : text.toUtf8();
}

QString EncodeText(const QString &text)
{
    bool fitted = false;
    QByteArray plain = ToWindows1252(text, &fitted);
    // A Windows-1252 text that starts like the marker would read back as UTF-8,
    // so it takes the marked form too.
    if (!fitted || plain.startsWith(kUtf8Marker))
        plain = kUtf8Marker + text.toUtf8();
    return FromWindows1252(Shift(plain, +1));
}

QString DecodeText(const QString &text)
{
    const QByteArray plain = Shift(ToWindows1252(text), -1);
    if (plain.startsWith(kUtf8Marker))
        return QString::fromUtf8(plain.mid(kUtf8Marker.size()));
    return FromWindows1252(plain);
}

} // namespace modText

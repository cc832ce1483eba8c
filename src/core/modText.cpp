#include "core/modText.h"

#include <QStringDecoder>

namespace modText {
namespace {

// Unicode code points of the bytes 0x80..0x9F; the unassigned ones keep their
// C1 control value so that every byte survives a round trip.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

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
    for (char c : bytes) {
        const uchar b = uchar(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kHighControls[b - 0x80]) : QChar(b));
    }
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
    // The decoder drops a byte order mark written by a Windows editor.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return FromWindows1252(bytes);
}

QByteArray EncodeNarrowest(const QString &text)
{
    bool fitted = false;
    QByteArray narrow = ToWindows1252(text, &fitted);
    return fitted ? narrow : text.toUtf8();
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

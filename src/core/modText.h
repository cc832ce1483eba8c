#pragma once

#include <QByteArray>
#include <QString>

// Conversions between text and the bytes of files and datagrams. Older copies
// wrote Windows-1252; we write UTF-8 and read either.
namespace modText {

// UTF-8, with every byte that is not part of well-formed UTF-8 read as
// Windows-1252: older copies wrote Windows-1252, and a file that is UTF-8 but
// for some bytes keeps its text. Bytes with no UTF-8 sequence in them are
// plain Windows-1252.
QString DecodeBytes(const QByteArray &bytes);
// Windows-1252 when every character fits and the bytes read back as the same
// text, otherwise UTF-8 (for datagrams).
QByteArray EncodeNarrowest(const QString &text);

// Windows-1252 in both directions. Every byte maps to one character (the five
// unassigned bytes map to the C1 controls of the same value), so the pair is
// lossless for bytes. ToWindows1252 reports whether every character fitted.
QString FromWindows1252(const QByteArray &bytes);
QByteArray ToWindows1252(const QString &text, bool *allFitted = nullptr);

// The position-shift scrambling of stored credentials and branding texts.
QString EncodeText(const QString &text);
QString DecodeText(const QString &text);

} // namespace modText

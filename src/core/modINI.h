#pragma once

#include <QString>

// INI files with Windows profile-file semantics: sections and keys match
// case-insensitively, keys are written upper-case, every other line is kept,
// and a file is replaced atomically.
namespace modINI {

QString ReadIni(const QString &section, const QString &key, const QString &file);
// Writes "KEY=value" on a line of its own: CR and LF in the value become
// blanks. False when nothing reached the file: a section or key that no line
// can hold, a failed write, or a file that exists but cannot be read, which
// is never overwritten; its values are kept in memory (ReadIni sees them) and
// written with the next write once the file can be read again.
bool WriteIni(const QString &section, const QString &key, const QString &value, const QString &file);

} // namespace modINI

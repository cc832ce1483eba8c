#pragma once

#include <QString>

// The font list file "Fonts.zl" in the program folder.
namespace modFontList {

QString FontListFile();
// Writes every installed font name, one per CR LF line.
void BuildFontList();

} // namespace modFontList

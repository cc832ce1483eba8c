#pragma once

#include <QStringList>

class QComboBox;

// The font list file "Fonts.zl" and the size list of the editor. The file
// spares the editor asking for every installed font each time it opens; it is
// written once and never refreshed.
namespace modFontList {

// "Fonts.zl" beside the executable where that folder can be written and is
// not an installed one (a build tree, a portable copy), else in the data
// folder.
QString FontListFile();
// Sizes offered by the editor: 6 to 12, then even sizes to 30.
const QStringList &FontSizeList();
// Every installed font family that shows Latin text, the desktop's default
// first, the rest in the font database's order.
QStringList InstalledFonts();
// Writes names one per CR LF line, replacing the file; false when it failed.
bool WriteFontList(const QStringList &names, const QString &path);
// Writes the font list file with every installed font.
void BuildFontList();
// Every entry of the combo, in list order, as a font list file.
bool ComboSave(const QComboBox *combo, const QString &fileName);

} // namespace modFontList

#include "editor/modFontList.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/modFiles.h"

#include <QComboBox>
#include <QFontDatabase>

namespace modFontList {

QString FontListFile()
{
    return ProgramFolder + QStringLiteral("/Fonts.zl");
}

const QStringList &FontSizeList()
{
    static const QStringList sizes{"6",  "7",  "8",  "9",  "10", "11", "12", "14",
                                   "16", "18", "20", "22", "24", "26", "28", "30"};
    return sizes;
}

QStringList InstalledFonts()
{
    // A family offered by several foundries is listed as "Name [Foundry]";
    // notes store the plain name, which every copy understands.
    QStringList names;
    for (const QString &family : QFontDatabase::families()) {
        const QString name = family.section(QStringLiteral(" ["), 0, 0);
        if (!names.contains(name))
            names << name;
    }
    return names;
}

bool WriteFontList(const QStringList &names, const QString &path)
{
    QString text;
    for (const QString &name : names)
        text += name + QStringLiteral("\r\n");
    return modFiles::WriteTextFile(path, text);
}

void BuildFontList()
{
    if (!WriteFontList(InstalledFonts(), FontListFile()))
        qCInfo(lcEditor) << "cannot write" << FontListFile() << "- the editor lists the fonts itself";
}

bool ComboSave(const QComboBox *combo, const QString &fileName)
{
    QStringList names;
    for (int i = 0; i < combo->count(); ++i)
        names << combo->itemText(i);
    return WriteFontList(names, fileName);
}

} // namespace modFontList

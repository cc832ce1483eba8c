#include "editor/modFontList.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/modFiles.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QProcess>

namespace modFontList {

QString FontListFile()
{
    // An installed program's folder is not the user's to write, even where
    // root could; a list already there is read all the same.
    const QString besideProgram = ProgramFolder + QStringLiteral("/Fonts.zl");
    if (QFileInfo::exists(besideProgram) ||
        (!modFiles::ProgramIsInstalled() && QFileInfo(ProgramFolder).isWritable()))
        return besideProgram;
    return DataFolder + QStringLiteral("/Fonts.zl");
}

const QStringList &FontSizeList()
{
    static const QStringList sizes{"6",  "7",  "8",  "9",  "10", "11", "12", "14",
                                   "16", "18", "20", "22", "24", "26", "28", "30"};
    return sizes;
}

namespace {

// The family fontconfig gives for "sans-serif", the desktop's default; ""
// when fc-match is missing, fails or does not answer within a second.
QString DesktopDefaultFamily()
{
    QProcess fcMatch;
    fcMatch.start(QStringLiteral("fc-match"),
                  {QStringLiteral("--format=%{family[0]}"), QStringLiteral("sans-serif")});
    // A hung fc-match must not stall start-up; it is killed when fcMatch goes.
    if (!fcMatch.waitForFinished(1000) || fcMatch.exitStatus() != QProcess::NormalExit ||
        fcMatch.exitCode() != 0) {
        qCInfo(lcEditor) << "no default font family from fc-match:" << fcMatch.errorString();
        return QString();
    }
    return QString::fromUtf8(fcMatch.readAllStandardOutput()).trimmed();
}

bool ShowsLatinText(const QString &family)
{
    // Symbol and dingbat fonts may claim Latin too, through a symbol character
    // map that puts their pictures on the letters.
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
    return systems.contains(QFontDatabase::Latin) && !systems.contains(QFontDatabase::Symbol);
}

} // namespace

QStringList InstalledFonts()
{
    // A family offered by several foundries is listed as "Name [Foundry]";
    // notes store the plain name, which every copy understands.
    QStringList names;
    for (const QString &family : QFontDatabase::families()) {
        const QString name = family.section(QStringLiteral(" ["), 0, 0);
        if (!names.contains(name) && ShowsLatinText(name))
            names << name;
    }
    // The editor selects the first name, and new notes get it.
    const qsizetype desktopDefault = names.indexOf(DesktopDefaultFamily());
    if (desktopDefault > 0)
        names.move(desktopDefault, 0);
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

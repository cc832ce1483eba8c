#include "editor/modFontList.h"

#include "core/Globals.h"
#include "core/Logging.h"

namespace modFontList {

QString FontListFile()
{
    return ProgramFolder + QStringLiteral("/Fonts.zl");
}

void BuildFontList()
{
    qCInfo(lcEditor) << "the font list is not built yet";
}

} // namespace modFontList

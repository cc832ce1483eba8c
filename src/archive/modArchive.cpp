#include "archive/modArchive.h"

#include "archive/winNoteArchive.h"
#include "core/modWindows.h"

#include <QPointer>

namespace modArchive {

void OpenNoteArchive()
{
    static QPointer<winNoteArchive> archive;
    // A closed window is on its way out: the next opening builds a new one.
    if (!archive || !archive->isVisible()) {
        archive = new winNoteArchive; // shows itself
        return;
    }
    modWindows::BringToFront(archive);
}

} // namespace modArchive

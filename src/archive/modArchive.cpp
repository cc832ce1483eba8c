#include "archive/modArchive.h"

#include "archive/winNoteArchive.h"

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
    archive->setWindowState(archive->windowState() & ~Qt::WindowMinimized);
    archive->show();
    archive->raise();
    archive->activateWindow();
}

} // namespace modArchive

#include "notes/modPinToDesktop.h"

#include "notes/modOnTop.h"
#include "notes/winNote.h"

#include <QApplication>

namespace modPinToDesktop {

void PinNoteToDesktop(winNote *note)
{
    if (!note)
        return;
    note->SetStackingHints(Qt::WindowStaysOnBottomHint);
    note->noteIsPinned = true;
}

void UnpinNote(winNote *note)
{
    if (!note)
        return;
    if (note->windowFlags().testFlag(Qt::WindowStaysOnBottomHint))
        note->SetStackingHints({});
    note->noteIsPinned = false;
}

void SetAllNotesOnTop()
{
    for (winNote *note : winNote::AllNotes()) {
        UnpinNote(note);
        modOnTop::SetNoteOnTop(note);
    }
}

void PinAllNotesToDesktop()
{
    for (winNote *note : winNote::AllNotes()) {
        modOnTop::SetNoteNotOnTop(note);
        PinNoteToDesktop(note);
    }
}

} // namespace modPinToDesktop

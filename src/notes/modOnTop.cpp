#include "notes/modOnTop.h"

#include "notes/winNote.h"

namespace modOnTop {

void SetNoteOnTop(winNote *note)
{
    if (note)
        note->SetStackingHints(Qt::WindowStaysOnTopHint);
}

void SetNoteNotOnTop(winNote *note)
{
    if (note && note->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        note->SetStackingHints({});
}

} // namespace modOnTop

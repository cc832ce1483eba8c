#pragma once

class winNote;

// Whether a note stays above every other window.
namespace modOnTop {

void SetNoteOnTop(winNote *note);
void SetNoteNotOnTop(winNote *note);

} // namespace modOnTop

#pragma once

class winNote;

// Notes stuck to the desktop stay below every other window. The note keeps
// its screen position, so pinning never moves it.
namespace modPinToDesktop {

void PinNoteToDesktop(winNote *note);
void UnpinNote(winNote *note);
void SetAllNotesOnTop();
void PinAllNotesToDesktop();

} // namespace modPinToDesktop

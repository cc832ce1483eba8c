#pragma once

#include <QString>

class QWidget;

// What the tray's click actions and menu commands do, and the two window
// procedures the dialogs share.
namespace modTrayCommands {

// The tray action texts, in the order they are matched.
enum class TrayAction {
    CreateNote,
    OpenContacts,
    OpenNoteArchive,
    ToggleNotes,
    OpenOptions,
    VisitMaker,
    None,
};

// Exact, case-sensitive match; "No Action" and every unknown text give None.
TrayAction ActionFor(const QString &text);
// Runs the action and gives the window it opened the focus.
void PerformTrayAction(const QString &text);

// Hides every note window, or shows them all again; the caption of
// HideAllNotes records which ("Hide All Notes" / "Show All Notes").
void ToggleAllNotes();
// Hides a window and returns once it is no longer visible.
void HideFormAndWait(QWidget *form);

// Opens the contacts window, or raises it when it is open already.
void OpenContacts();

} // namespace modTrayCommands

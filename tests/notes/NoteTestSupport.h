#pragma once

#include "TestEnvironment.h"
#include "Windows.h"

#include "core/modAlerts.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "notes/modDualMonitors.h"
#include "notes/modMisc.h"
#include "notes/modNoteCommands.h"
#include "notes/winNote.h"
#include "tray/winMenu.h"

#include <QTest>

// What every note case starts from: its own folders and one 1920 x 1080
// screen. Whatever the case left (notes, editors, the note menu, test hooks)
// goes with it, also when the case failed halfway.
struct NoteFixture
{
    NoteFixture() { modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080)); }
    ~NoteFixture()
    {
        DeleteWindows({"winEditor", "winNote"});
        delete winMenu::Instance();
        winNote::SetSaveDelayForTests(0);
        winNote::SetApplicationActiveForTests(std::nullopt);
        modAlerts::SetAlertPresenter({});
        modDialogs::SetDialogRunner({});
        modNoteCommands::SetPrintFileForTests({});
        modDualMonitors::SetVirtualScreenForTests(std::nullopt);
    }
    TestEnvironment environment;
};

inline QString ActiveFile(const QString &name = "n.zln")
{
    return modFiles::ActiveFolder() + "/" + name;
}
inline QByteArray Stored()
{
    return ReadBytes(ActiveFile());
}

// A note loaded from the given file bytes and shown on screen.
inline winNote *ShownNote(const QByteArray &bytes, const QString &name = "n.zln")
{
    modFiles::CreateDataFolders();
    WriteBytes(ActiveFile(name), bytes);
    winNote *note = modMisc::LoadNote(ActiveFile(name), name, QString());
    if (note)
        (void)QTest::qWaitForWindowExposed(note);
    return note;
}

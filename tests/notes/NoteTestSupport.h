#pragma once

#include "TestEnvironment.h"

#include "core/modFiles.h"
#include "notes/modMisc.h"
#include "notes/winNote.h"

#include <QTest>

inline QString ActiveFile() { return modFiles::ActiveFolder() + "/n.zln"; }
inline QByteArray Stored() { return ReadBytes(ActiveFile()); }

// A note loaded from the given file bytes and shown on screen.
inline winNote *ShownNote(const QByteArray &bytes)
{
    modFiles::CreateDataFolders();
    WriteBytes(ActiveFile(), bytes);
    winNote *note = modMisc::LoadNote(ActiveFile(), "n.zln", QString());
    if (note)
        (void)QTest::qWaitForWindowExposed(note);
    return note;
}

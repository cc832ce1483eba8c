#include "core/Globals.h"

void ResetGlobals()
{
    PortableMode = false;
    ProgramFolder.clear();
    DataFolder.clear();
    UserName.clear();
    UserPathTemplate.clear();
    SingleClickAction = QStringLiteral("Create Note");
    DoubleClickAction = QStringLiteral("Create Note");
    ShowIncomingNoteAlert = true;
    ShowSentNoteAlert = true;
    NotesAlwaysOnTop = false;
    WhenDeletingNotes = QStringLiteral("Permanently delete note");
    EventSounds.fill(QStringLiteral("(None)"));
    ContactList.clear();
    ProcessId = 0;
    HelloReplies.clear();
    PongReplies.clear();
    BindAddress.clear();
    UdpPort = 1978;
    BroadcastAddress = QStringLiteral("255.255.255.255");
}

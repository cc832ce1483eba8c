#pragma once

#include <QString>
#include <array>

// Program-wide state shared by many modules. Everything runs on the one GUI
// thread, so plain inline variables are enough. Tests reset them with
// ResetGlobals().

// Settings.ini lies beside the executable: settings live in that INI file.
inline bool PortableMode = false;
// Folder of the executable; tests point it elsewhere.
inline QString ProgramFolder;
// Folder holding Active, Archive, Incoming and Pending.
inline QString DataFolder;
// Login name of the current user.
inline QString UserName;
// DataFolder with the user name replaced by "[USERNAME]"; empty when unknown.
inline QString UserPathTemplate;
// Tray click actions, one of the action texts of the tray menu.
inline QString SingleClickAction = QStringLiteral("Create Note");
inline QString DoubleClickAction = QStringLiteral("Create Note");
// Balloon when a note arrives / when a sent note was received.
inline bool ShowIncomingNoteAlert = true;
inline bool ShowSentNoteAlert = true;
// New and loaded notes stay above other windows instead of on the desktop.
inline bool NotesAlwaysOnTop = false;
// What "Delete Note..." does.
inline QString WhenDeletingNotes = QStringLiteral("Permanently delete note");
// Sound files: 0 note sent, 1 note received, 2 note copied to the clipboard.
inline std::array<QString, 3> EventSounds{QStringLiteral("(None)"), QStringLiteral("(None)"),
                                          QStringLiteral("(None)")};
// Contacts: entries address + "(" + name + ")" joined by "|".
inline QString ContactList;
// Id of this process.
inline qint64 ProcessId = 0;
// Collected "hello" and "pong" datagrams, joined by "|".
inline QString HelloReplies;
inline QString PongReplies;
// Address the UDP endpoint binds ("" = every IPv4 address) and its port.
inline QString BindAddress;
inline quint16 UdpPort = 1978;
// Where the locator's search goes; tests and routed networks name another.
inline QString BroadcastAddress = QStringLiteral("255.255.255.255");

// The running version text.
inline const QString ProgramVersion = QStringLiteral(ZETTLOR_VERSION);

void ResetGlobals();

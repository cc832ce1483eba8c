#pragma once

#include <QString>

// Every settings section and key, spelled once, with the default a reader
// applies when the stored text is empty and the rule it reads a flag by.
namespace SettingKeys {

struct Key
{
    const char *section;
    const char *key;
    const char *defaultText; // applied by ReadSettingOrDefault when the value is empty
};

// Options
inline constexpr Key Icon{"Options", "Icon", ""};
inline constexpr Key SingleClickAction{"Options", "SingleClickAction", "Create Note"};
inline constexpr Key DoubleClickAction{"Options", "DoubleClickAction", "Create Note"};
inline constexpr Key DisplayIncomingNoteAlert{"Options", "DisplayIncomingNoteAlert", ""}; // IsOn
inline constexpr Key DisplaySentNoteAlert{"Options", "DisplaySentNoteAlert", ""};         // IsOn
inline constexpr Key AlwaysDisplayNotesOnTop{"Options", "AlwaysDisplayNotesOnTop", ""};   // IsExactlyTrue
inline constexpr Key SoundNoteSent{"Options", "SoundNoteSent", "(None)"};
inline constexpr Key SoundNoteReceived{"Options", "SoundNoteReceived", "(None)"};
inline constexpr Key SoundNoteCopiedToClipboard{"Options", "SoundNoteCopiedToClipboard", "(None)"};
inline constexpr Key WhenDeletingNotes{"Options", "WhenDeletingNotes", "Permanently delete note"};
inline constexpr Key AddSenderToContacts{"Options", "AddSenderToContacts", ""};         // IsOn
inline constexpr Key DeleteNoteAfterReplying{"Options", "DeleteNoteAfterReplying", ""}; // IsExactlyTrue
inline constexpr Key StartWithWindows{"Options", "StartWithWindows", ""};
inline constexpr Key CheckForNewUpdates{"Options", "CheckForNewUpdates", ""};
inline constexpr Key CheckForNewUpdatesPrompted{"Options", "CheckForNewUpdatesPrompted", ""};
inline constexpr Key CheckForNewUpdatesDate{"Options", "CheckForNewUpdatesDate", ""};
// Start-up reads it with IsExactlyTrue; the options dialog shows it ticked unless "False".
inline constexpr Key OnlyDownloadWhenConnected{"Options", "OnlyDownloadWhenConnected", ""};
inline constexpr Key CheckVersion{"Options", "CheckVersion", ""};
inline constexpr Key ProxyUsername{"Options", "ProxyUsername", ""}; // stored scrambled
inline constexpr Key ProxyPassword{"Options", "ProxyPassword", ""}; // stored scrambled
inline constexpr Key LastOption{"Options", "LastOption", "General"};

// Settings
inline constexpr Key Contacts{"Settings", "Contacts", ""};
inline constexpr Key NoteColor{"Settings", "NoteColor", ""};
inline constexpr Key TextColor{"Settings", "TextColor", ""};
inline constexpr Key FontName{"Settings", "FontName", ""};
inline constexpr Key FontSize{"Settings", "FontSize", ""};
inline constexpr Key FontBold{"Settings", "FontBold", ""};
inline constexpr Key FontItalic{"Settings", "FontItalic", ""};

// Misc
inline constexpr Key Version{"Misc", "Version", ""};

// Notes of an older release live in section "\" under "Note1".."Note30".
inline constexpr const char *LegacyNotesSection = "\\";
inline constexpr const char *LegacyNoteKeyPrefix = "Note";

// Branding file "About.ini", section "About".
inline constexpr Key AboutName{"About", "Name", ""};   // scrambled
inline constexpr Key AboutUrl{"About", "URL", ""};     // scrambled
inline constexpr Key AboutEmail{"About", "Email", ""}; // scrambled
inline constexpr Key AboutPhone{"About", "Phone", ""}; // scrambled

} // namespace SettingKeys

// Reading rules for stored flags.
inline bool IsOn(const QString &value) { return value != QLatin1String("False"); }
inline bool IsExactlyTrue(const QString &value) { return value == QLatin1String("True"); }

#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "core/Globals.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "core/modRegReadWrite.h"
#include "core/modSettings.h"
#include "notes/modMisc.h"
#include "notes/winNote.h"
#include "options/modOptions.h"
#include "options/winOptions.h"
#include "tray/modTrayIcon.h"
#include "tray/winMenu.h"
#include "tray/winTrayControl.h"
#include "web/modWebLinks.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QSettings>
#include <QSoundEffect>
#include <QTest>

namespace {

// "type Name text", "key Name keys", "click Name", "pick Name file" (its open-file dialog answered with
// file).
void Perform(winOptions *dialog, const QString &step)
{
    const QString verb = step.section(' ', 0, 0), rest = step.section(' ', 2);
    QWidget *widget = dialog->findChild<QWidget *>(step.section(' ', 1, 1));
    if (verb == "type")
        QTest::keyClicks(widget, rest);
    else if (verb == "key")
        QTest::keySequence(widget, QKeySequence(rest));
    else {
        modDialogs::SetDialogRunner([rest](QDialog &dialog) {
            if (auto *files = qobject_cast<QFileDialog *>(&dialog))
                files->selectFile(rest);
            return int(QDialog::Accepted);
        });
        qobject_cast<QAbstractButton *>(widget)->click();
    }
}

// What the user and the program see, after state (the pages opened): stored
// options as "Key=value", globals, logon entry, note, tray and sound as "name:value".
QStringList State(const QString &store, QStringList state)
{
    QSettings file(PortableMode ? modSettings::PortableSettingsFile() : store, QSettings::IniFormat);
    file.beginGroup("Options");
    for (const QString &key : file.allKeys())
        state << key + "=" + file.value(key).toString();
    for (const winNote *note : winNote::AllNotes())
        state << (note->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? "note:on top" : "note:pinned");
    winTrayControl *tray = winMenu::Instance()->findChild<winTrayControl *>();
    state << "SingleClickAction:" + SingleClickAction << "DoubleClickAction:" + DoubleClickAction
          << "ShowSentNoteAlert:" + QString::number(ShowSentNoteAlert)
          << "EventSounds:" + QStringList(EventSounds.begin(), EventSounds.end()).join('|')
          << "logon entry:" + QString::number(!modRegReadWrite::ReadRegistryValue("Zettlor").isEmpty())
          << "tray:" + tray->grab().toImage().pixelColor(tray->rect().center()).name();
    for (const QSoundEffect *sound : qApp->findChildren<QSoundEffect *>())
        state << "played:" + sound->source().toLocalFile();
    return state;
}

} // namespace

class OptionsTest final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { DeleteWindows({"winOptions", "winNote", "winMenu"}); }

    // Given stored options, "logon entry", "portable", "note"; each row ends by closing the dialog.
    void closingWritesWhatIsShown_data()
    {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("changes");
        const auto row = [](const char *tag, QStringList given, QStringList steps, QStringList changes) {
            QTest::newRow(tag) << given << steps << changes;
        };
        row("applied, Help, cancelled", {},
            {"click Check2", "pick Command3 ROOT/tray.svg", "click Command4", "click ApplyButton",
             "click Check1", "click Command8", "click Command2"},
            {"DisplayIncomingNoteAlert=True", "DisplaySentNoteAlert=False", "ShowSentNoteAlert:0",
             "Icon=default", "opened:http://127.0.0.1:9/forum/index.php?c=18"});
        // The logon box is ticked only for exactly "True" and an entry.
        row("general, read by its rules",
            {"StartWithWindows=True", "CheckForNewUpdates=no", "DeleteNoteAfterReplying=true",
             "AlwaysDisplayNotesOnTop=yes", "WhenDeletingNotes=archive note", "note"},
            {"click Check3", "click Check5", "click Check6", "click ApplyButton", "click Check6",
             "click Command1"},
            {"CheckForNewUpdates=True", "AddSenderToContacts=True", "DeleteNoteAfterReplying=True",
             "AlwaysDisplayNotesOnTop=False", "WhenDeletingNotes=Permanently delete note", "logon entry:1"});
        row("registered, on top", {"StartWithWindows=True", "logon entry", "note"},
            {"click Check3", "click Check6", "click Command1"},
            {"StartWithWindows=False", "CheckForNewUpdates=True", "AddSenderToContacts=True",
             "DeleteNoteAfterReplying=False", "AlwaysDisplayNotesOnTop=True",
             "WhenDeletingNotes=Permanently delete note", "logon entry:0", "note:on top"});
        row("portable", {"portable", "StartWithWindows=True", "logon entry"},
            {"click Check4", "click Command1"},
            {"STARTWITHWINDOWS=False", "CHECKFORNEWUPDATES=True", "ADDSENDERTOCONTACTS=False",
             "DELETENOTEAFTERREPLYING=False", "ALWAYSDISPLAYNOTESONTOP=False",
             "WHENDELETINGNOTES=Permanently delete note"});
        // Each letter of the proxy's user name and password is stored shifted by its position.
        row("tray icon and proxy, Return", {"SingleClickAction=Hide All Notes", "ProxyUsername=bdf"},
            {"type DoubleClickCombo Visit Vantrel", "pick Command3 ROOT/tray.svg", "type Text1 d",
             "type Text2 secret", "key Text2 Return"},
            {"SingleClickAction=No Action", "DoubleClickAction=Visit Vantrel", "SingleClickAction:No Action",
             "DoubleClickAction:Visit Vantrel", "Icon=ROOT/tray.svg", "tray:#ff0000",
             "OnlyDownloadWhenConnected=True", "ProxyUsername=bdfh", "ProxyPassword=tgfvjz"});
        row("a file that is no picture", {}, {"pick Command3 ROOT/fake.png", "click Command1"}, {});
        // A listed sound is stored by its name, a browsed one with its folder.
        row("sounds; tab name without blanks, Ctrl+Tab wraps", {"LastOption=Inter net"},
            {"key Command1 Ctrl+Tab", "type Combo11 chime.wav", "click Command9",
             "type Combo10 Note received", "pick Command10 ROOT/bell.wav", "click Command1"},
            {"SoundNoteSent=chime.wav", "SoundNoteReceived=ROOT/bell.wav",
             "SoundNoteCopiedToClipboard=(None)", "EventSounds:chime.wav|ROOT/bell.wav|(None)",
             "played:ROOT/program/chime.wav", "LastOption=General"});
    }
    void closingWritesWhatIsShown()
    {
        QFETCH(QStringList, given);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, changes);
        TestEnvironment environment;
        const QString root = environment.root(), store = environment.configHome() + "/Zettlor/Zettlor.conf";
        QStringList opened;
        modWebLinks::SetUrlOpener([&opened](const QUrl &url) { return opened << "opened:" + url.toString(), true; });
        qputenv("ZETTLOR_WEB_BASE", "http://127.0.0.1:9");
        WriteBytes(ProgramFolder + "/chime.wav", "RIFF");
        WriteBytes(root + "/fake.png", "not a picture");
        WriteBytes(root + "/tray.svg", "<svg><rect width='9' height='9' fill='red'/></svg>");
        winMenu::Create();
        modTrayIcon::AddTrayIcon();
        PortableMode = given.removeAll("portable");
        if (given.removeAll("logon entry"))
            QVERIFY(modRegReadWrite::WriteRegistryString("Zettlor", "/opt/zettlor/zettlor"));
        if (given.removeAll("note"))
            WriteBytes(modFiles::ActiveFolder() + "/a.zln", "2880,3255,1500,1500,,Verdana,10,12648447,0,x");
        modMisc::LoadAllNotes();
        for (const QString &entry : given)
            modSettings::WriteSetting("Options", entry.section('=', 0, 0), entry.section('=', 1));
        winOptions *dialog = modOptions::OpenOptions();
        QCOMPARE(modOptions::OpenOptions(), dialog);
        const QStringList before = State(store, opened);
        for (const QString &step : steps)
            Perform(dialog, QString(step).replace("ROOT", root));
        QStringList after = State(store, opened);
        after.removeIf([&before](const QString &entry) { return before.contains(entry); });
        after.sort();
        changes.replaceInStrings("ROOT", root).sort();
        QCOMPARE(after, changes);
        QVERIFY(!dialog->isVisible() && modOptions::OpenOptions() != dialog); // closed, not reused
    }
};

ZETTLOR_TEST_CLASS(OptionsTest)
#include "OptionsTest.moc"

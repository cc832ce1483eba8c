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
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>
#include <QSoundEffect>
#include <QTest>
#include <optional>

namespace {

// One step as the user takes it: "click Name", "type Name text", "choose Name
// item", "key Name keys" (a key sequence), "pick file Name" (Name's open-file
// dialog answered with file).
void Perform(winOptions *dialog, const QString &step)
{
    const QString verb = step.section(' ', 0, 0), name = step.section(' ', 1, 1), rest = step.section(' ', 2);
    if (verb == "click")
        dialog->findChild<QAbstractButton *>(name)->click();
    else if (verb == "type")
        QTest::keyClicks(dialog->findChild<QLineEdit *>(name), rest);
    else if (verb == "choose")
        dialog->findChild<QComboBox *>(name)->setCurrentText(rest);
    else if (verb == "key")
        QTest::keySequence(dialog->findChild<QWidget *>(name), QKeySequence(rest));
    else if (verb == "pick") {
        modDialogs::SetDialogRunner([name](QDialog &fileDialog) {
            qobject_cast<QFileDialog *>(&fileDialog)->selectFile(name);
            return int(QDialog::Accepted);
        });
        dialog->findChild<QAbstractButton *>(rest)->click();
    }
}

QPixmap Filled(Qt::GlobalColor colour)
{
    QPixmap picture(32, 32);
    picture.fill(colour);
    return picture;
}

} // namespace

class OptionsTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    QStringList m_opened;

    // What a user or the rest of the program sees: the stored options
    // ("Key=value"), the globals, the logon entry, the notes' placement, the
    // tray picture, the sound played and the pages opened ("name:value").
    QStringList State() const
    {
        const QString conf = m_environment->configHome() + "/Zettlor/Zettlor.conf";
        QSettings file(PortableMode ? modSettings::PortableSettingsFile() : conf, QSettings::IniFormat);
        file.beginGroup("Options");
        QStringList state = m_opened, notes;
        for (const QString &key : file.allKeys())
            state << key + "=" + file.value(key).toString();
        for (const winNote *note : winNote::AllNotes())
            notes << (note->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? "on top" : "pinned");
        winTrayControl *tray = winMenu::Instance()->findChild<winTrayControl *>();
        state << "SingleClickAction:" + SingleClickAction << "DoubleClickAction:" + DoubleClickAction
              << "ShowSentNoteAlert:" + QString::number(ShowSentNoteAlert)
              << "NotesAlwaysOnTop:" + QString::number(NotesAlwaysOnTop) << "notes:" + notes.join('|')
              << "EventSounds:" + QStringList(EventSounds.begin(), EventSounds.end()).join('|')
              << "logon entry:" + QString::number(!modRegReadWrite::ReadRegistryValue("Zettlor").isEmpty())
              << "tray:" + tray->grab().toImage().pixelColor(tray->rect().center()).name();
        for (const QSoundEffect *sound : qApp->findChildren<QSoundEffect *>())
            state << "played:" + sound->source().toLocalFile();
        return state;
    }

private slots:
    void init()
    {
        m_environment.emplace();
        m_opened.clear();
        modWebLinks::SetUrlOpener([this](const QUrl &url) { m_opened << "opened:" + url.toString(); });
        qputenv("ZETTLOR_WEB_BASE", "http://127.0.0.1:9");
    }
    void cleanup()
    {
        DeleteWindows({"winOptions", "winNote"});
        modTrayIcon::RemoveTrayIcon();
        delete winMenu::Instance();
        modDialogs::SetDialogRunner({});
        modWebLinks::SetUrlOpener({});
        qunsetenv("ZETTLOR_WEB_BASE");
        m_environment.reset();
    }

    // Given: stored "Key=value", "logon entry", "portable", "notes". Each row
    // ends by closing the dialog; changes are what its steps changed.
    void closingWritesWhatIsShown_data()
    {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("changes");
        const auto row = [](const char *tag, QStringList given, QStringList steps, QStringList changes) {
            QTest::newRow(tag) << given << steps << changes;
        };
        const QString applied = "click ApplyButton";
        row("cancelled after Help", {}, {"click Check5", "type Text1 me", "click Command8", "click Command2"},
            {"opened:http://127.0.0.1:9/forum/index.php?c=18"});
        row("applied, then escape", {},
            {"click Check2", "click Command4", applied, "click Check1", "key Command1 Escape"},
            {"DisplayIncomingNoteAlert=True", "DisplaySentNoteAlert=False", "ShowSentNoteAlert:0",
             "Icon=default", "tray:#a78d35" /* the program's icon */});
        // Each letter is stored shifted by its position.
        row("proxy, Return", {"ProxyUsername=bdf"}, {"type Text1 d", "type Text2 secret", "key Text2 Return"},
            {"OnlyDownloadWhenConnected=True", "ProxyUsername=bdfh", "ProxyPassword=tgfvjz"});
        // The logon box is ticked only for exactly "True" and an entry.
        row("general, read by its rules",
            {"StartWithWindows=True", "CheckForNewUpdates=no", "DeleteNoteAfterReplying=true",
             "AlwaysDisplayNotesOnTop=yes", "WhenDeletingNotes=archive note", "notes"},
            {"click Check3", "click Check5", "click Check6", applied, "click Check6", "click Command1"},
            {"CheckForNewUpdates=True", "AddSenderToContacts=True", "DeleteNoteAfterReplying=True",
             "AlwaysDisplayNotesOnTop=False", "WhenDeletingNotes=Permanently delete note", "logon entry:1"});
        row("registered, on top", {"StartWithWindows=True", "logon entry", "notes"},
            {"click Check3", "click Check6", "click Command1"},
            {"StartWithWindows=False", "CheckForNewUpdates=True", "AddSenderToContacts=True",
             "DeleteNoteAfterReplying=False", "AlwaysDisplayNotesOnTop=True",
             "WhenDeletingNotes=Permanently delete note", "logon entry:0", "NotesAlwaysOnTop:1",
             "notes:on top|on top"});
        // An entry there is an installed copy's.
        row("portable", {"portable", "StartWithWindows=True", "logon entry"},
            {"click Check4", "click Command1"},
            {"STARTWITHWINDOWS=False", "CHECKFORNEWUPDATES=True", "ADDSENDERTOCONTACTS=False",
             "DELETENOTEAFTERREPLYING=False", "ALWAYSDISPLAYNOTESONTOP=False",
             "WHENDELETINGNOTES=Permanently delete note"});
        // The tray does nothing for an action text it does not know.
        row("tray icon", {"SingleClickAction=Hide All Notes"},
            {"choose DoubleClickCombo Visit Vantrel", "pick ROOT/tray.png Command3", "click Command1"},
            {"SingleClickAction=No Action", "DoubleClickAction=Visit Vantrel", "SingleClickAction:No Action",
             "DoubleClickAction:Visit Vantrel", "Icon=ROOT/tray.png", "tray:#ff0000"});
        // A listed sound is stored by its name, a browsed one with its folder.
        row("sounds", {},
            {"choose Combo11 chime.wav", "click Command9", "choose Combo10 Note received",
             "pick ROOT/bell.wav Command10", "click Command1"},
            {"SoundNoteSent=chime.wav", "SoundNoteReceived=ROOT/bell.wav",
             "SoundNoteCopiedToClipboard=(None)", "EventSounds:chime.wav|ROOT/bell.wav|(None)",
             "played:ROOT/program/chime.wav"});
        row("last tab, blanks ignored, wraps", {"LastOption=Inter net"},
            {"key Command1 Ctrl+Tab", "key Command1 Escape"}, {"LastOption=General"});
    }
    void closingWritesWhatIsShown()
    {
        QFETCH(QStringList, given);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, changes);
        const QString root = m_environment->root();
        WriteBytes(ProgramFolder + "/chime.wav", "RIFF");
        QVERIFY(Filled(Qt::red).save(root + "/tray.png"));
        winMenu::Create()->ImageIcon = QIcon(Filled(Qt::blue));
        modTrayIcon::AddTrayIcon();
        for (const QString &entry : given) {
            if (entry == "portable") {
                WriteBytes(modSettings::PortableSettingsFile(), "");
                PortableMode = true;
            } else if (entry == "logon entry")
                QVERIFY(modRegReadWrite::WriteRegistryString("Zettlor", "/opt/zettlor/zettlor"));
            else if (entry == "notes") {
                for (const char *name : {"a.zln", "b.zln"})
                    WriteBytes(modFiles::ActiveFolder() + "/" + name,
                               "2880,3255,1500,1500,,Verdana,10,12648447,0,x");
                modMisc::LoadAllNotes();
            } else
                modSettings::WriteSetting("Options", entry.section('=', 0, 0), entry.section('=', 1));
        }
        winOptions *dialog = modOptions::OpenOptions();
        QCOMPARE(modOptions::OpenOptions(), dialog);
        const QStringList before = State();
        for (const QString &step : steps)
            Perform(dialog, QString(step).replace("ROOT", root));
        QStringList after = State();
        after.removeIf([&before](const QString &entry) { return before.contains(entry); });
        after.sort();
        changes.replaceInStrings("ROOT", root).sort();
        QCOMPARE(after, changes);
        // Closed but not yet deleted, it is not opened again.
        QVERIFY(!dialog->isVisible() && modOptions::OpenOptions() != dialog);
    }
};

ZETTLOR_TEST_CLASS(OptionsTest)
#include "OptionsTest.moc"

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

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSoundEffect>
#include <QTabWidget>
#include <QTest>
#include <optional>

namespace {

// Settings of the section "Options" as "Key=value".
using Store = QStringList;

// The entries of later stores replace those of earlier ones with the same key.
Store Merged(const QList<Store> &stores)
{
    QMap<QString, QString> merged;
    for (const Store &store : stores)
        for (const QString &entry : store)
            merged.insert(entry.section('=', 0, 0), entry);
    return merged.values();
}

// What opening writes by itself into an empty store.
const Store kOpened{"LastOption=General", "SingleClickAction=Create Note", "DoubleClickAction=Create Note"};

// The globals a dialog sets, as "name=value".
QStringList Globals()
{
    return {"SingleClickAction=" + SingleClickAction,
            "DoubleClickAction=" + DoubleClickAction,
            "ShowIncomingNoteAlert=" + QString::number(ShowIncomingNoteAlert),
            "ShowSentNoteAlert=" + QString::number(ShowSentNoteAlert),
            "NotesAlwaysOnTop=" + QString::number(NotesAlwaysOnTop),
            "WhenDeletingNotes=" + WhenDeletingNotes,
            "EventSounds=" + QStringList(EventSounds.begin(), EventSounds.end()).join('|')};
}

// The open-file dialog answers with file.
void AnswerFileDialogsWith(const QString &file)
{
    modDialogs::SetDialogRunner([file](QDialog &dialog) {
        auto *fileDialog = qobject_cast<QFileDialog *>(&dialog);
        if (!fileDialog)
            return int(QDialog::Rejected);
        fileDialog->selectFile(file);
        return int(QDialog::Accepted);
    });
}

// One step as the user takes it: "click Name", "type Name text", "choose Name
// item", "browse file" (Browse... answered with file), or a way of closing:
// "return" (in the password box), "escape", "closebox".
void Perform(winOptions *dialog, const QString &step)
{
    const QString verb = step.section(' ', 0, 0), name = step.section(' ', 1, 1), rest = step.section(' ', 2);
    if (verb == "click")
        dialog->findChild<QAbstractButton *>(name)->click();
    else if (verb == "type")
        QTest::keyClicks(dialog->findChild<QLineEdit *>(name), rest);
    else if (verb == "choose")
        dialog->findChild<QComboBox *>(name)->setCurrentText(rest);
    else if (verb == "browse") {
        AnswerFileDialogsWith(name);
        dialog->Command10->click();
    } else if (verb == "return")
        QTest::keyClick(dialog->Text2, Qt::Key_Return);
    else if (verb == "escape")
        QTest::keyClick(dialog, Qt::Key_Escape);
    else if (verb == "closebox")
        dialog->close();
    else
        QFAIL(qPrintable("unknown step " + step));
}

} // namespace

class OptionsTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;

    QString Root() const { return m_environment->root(); }
    // The per-user store's section "Options".
    Store Stored() const
    {
        QSettings file(m_environment->configHome() + "/Zettlor/Zettlor.conf", QSettings::IniFormat);
        file.beginGroup("Options");
        Store store;
        for (const QString &key : file.allKeys())
            store << key + "=" + file.value(key).toString();
        return store;
    }
    // Opens the dialog and takes the steps; "ROOT" stands for the test's folder.
    winOptions *OpenAndPerform(const QStringList &steps)
    {
        WriteBytes(ProgramFolder + "/chime.wav", "RIFF");
        WriteBytes(Root() + "/bell.wav", "RIFF");
        winOptions *dialog = modOptions::OpenOptions();
        for (const QString &step : steps)
            Perform(dialog, QString(step).replace("ROOT", Root()));
        return dialog;
    }

private slots:
    void init() { m_environment.emplace(); }
    void cleanup()
    {
        DeleteWindows({"winOptions", "winNote"});
        modTrayIcon::RemoveTrayIcon();
        delete winMenu::Instance();
        modDialogs::SetDialogRunner({});
        m_environment.reset();
    }

    // Ctrl+Tab from the buttons steps to the next tab, which the next opening shows.
    void opensOnTheTabUsedLast_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shownFrame");
        QTest::addColumn<QString>("nextFrame");
        const auto row = [](const char *tag, QString stored, QString shown, QString next) {
            QTest::newRow(tag) << stored << shown << next;
        };
        row("blanks ignored", "Tray Icon", "TrayIconFrame", "TrayAlertsFrame");
        row("unknown name", "Colours", "GeneralFrame", "TrayIconFrame");
        row("last to first", "Internet", "InternetFrame", "GeneralFrame");
    }
    void opensOnTheTabUsedLast()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shownFrame);
        modSettings::WriteSetting("Options", "LastOption", stored);
        winOptions *dialog = modOptions::OpenOptions();
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->Tabs->currentWidget()->objectName(), shownFrame);
        QCOMPARE(Stored().filter("LastOption="), QStringList("LastOption=" + shownFrame.chopped(5)));
        QCOMPARE(modOptions::OpenOptions(), dialog);
        QTest::keyClick(dialog->Command1, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTEST(modOptions::OpenOptions()->Tabs->currentWidget()->objectName(), "nextFrame");
    }

    // Ticked only when stored exactly "True" and the logon entry exists. A
    // portable copy shows it unticked and disabled and leaves an installed
    // copy's entry alone.
    void startAtLogonFollowsTheBox_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("entry");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("entryAfter");
        const auto row = [](const char *tag, bool portable, QString stored, bool entry, QStringList steps,
                            QString written, bool entryAfter) {
            QTest::newRow(tag) << portable << stored << entry << steps << written << entryAfter;
        };
        const QStringList toggle{"click Check3", "click Command1"};
        row("registered, unticked", false, "True", true, toggle, "False", false);
        row("entry missing, ticked", false, "True", false, toggle, "True", true);
        row("only True counts", false, "true", true, toggle, "True", true);
        row("portable", true, "True", true, QStringList{"click Check4"} + toggle, "False", true);
    }
    void startAtLogonFollowsTheBox()
    {
        QFETCH(bool, portable);
        QFETCH(QString, stored);
        QFETCH(bool, entry);
        QFETCH(QStringList, steps);
        if (portable) {
            WriteBytes(modSettings::PortableSettingsFile(), "");
            PortableMode = true;
        }
        modSettings::WriteSetting("Options", "StartWithWindows", stored);
        if (entry)
            QVERIFY(modRegReadWrite::WriteRegistryString("Zettlor", "/opt/zettlor/zettlor"));
        OpenAndPerform(steps);
        QTEST(modSettings::ReadSetting("Options", "StartWithWindows"), "written");
        QTEST(!modRegReadWrite::ReadRegistryValue("Zettlor").isEmpty(), "entryAfter");
    }

    // Stored values are read by their own rules and written back as shown.
    void closingWritesOnlyChangedTabs_data()
    {
        QTest::addColumn<Store>("stored");
        QTest::addColumn<QStringList>("steps");   // the last one closes the dialog
        QTest::addColumn<Store>("written");       // over what was stored and what opening writes
        QTest::addColumn<QStringList>("globals"); // those that changed
        const auto row = [](const char *tag, Store stored, QStringList steps, Store written,
                            QStringList globals) {
            QTest::newRow(tag) << stored << steps << written << globals;
        };
        const Store alerts{"DisplayIncomingNoteAlert=True", "DisplaySentNoteAlert=False"};
        row("cancel", {}, {"click Check5", "type Text1 me", "click Command2"}, {}, {});
        row("escape", {}, {"click Check1", "escape"}, {}, {});
        row("close box", {}, {"click Check1", "closebox"}, {}, {});
        row("applied, then cancelled", {}, {"click Check2", "click ApplyButton", "click Check1", "escape"},
            alerts, {"ShowSentNoteAlert=0"});
        // Each letter is stored shifted by its position.
        row("password, Return", {}, {"type Text2 secret", "return"},
            {"OnlyDownloadWhenConnected=True", "ProxyUsername=", "ProxyPassword=tgfvjz"}, {});
        row("user name", {"ProxyUsername=bdf"}, {"type Text1 d", "click Command1"},
            {"OnlyDownloadWhenConnected=True", "ProxyUsername=bdfh", "ProxyPassword="}, {});
        row("general, from empty", {}, {"click Check5", "choose Combo1 Archive note", "click Command1"},
            {"StartWithWindows=False", "CheckForNewUpdates=True", "AddSenderToContacts=True",
             "DeleteNoteAfterReplying=True", "AlwaysDisplayNotesOnTop=False",
             "WhenDeletingNotes=Archive note"},
            {"WhenDeletingNotes=Archive note"});
        row("general, stored",
            {"CheckForNewUpdates=no", "DeleteNoteAfterReplying=true", "AlwaysDisplayNotesOnTop=yes",
             "WhenDeletingNotes=archive note"},
            {"click Check4", "click Command1"},
            {"StartWithWindows=False", "CheckForNewUpdates=True", "AddSenderToContacts=False",
             "DeleteNoteAfterReplying=False", "AlwaysDisplayNotesOnTop=False",
             "WhenDeletingNotes=Permanently delete note"},
            {});
        // The tray does nothing for an action text it does not know.
        row("click actions", {"SingleClickAction=Hide All Notes"},
            {"choose DoubleClickCombo Visit Vantrel", "click Command1"},
            {"SingleClickAction=No Action", "DoubleClickAction=Visit Vantrel"},
            {"SingleClickAction=No Action", "DoubleClickAction=Visit Vantrel"});
        // A listed sound is stored by its name, a browsed one with its folder.
        row("sounds", {},
            {"choose Combo11 chime.wav", "choose Combo10 Note received", "browse ROOT/bell.wav",
             "click Command1"},
            {"SoundNoteSent=chime.wav", "SoundNoteReceived=ROOT/bell.wav",
             "SoundNoteCopiedToClipboard=(None)"},
            {"EventSounds=chime.wav|ROOT/bell.wav|(None)"});
    }
    void closingWritesOnlyChangedTabs()
    {
        QFETCH(Store, stored);
        QFETCH(QStringList, steps);
        QFETCH(Store, written);
        QFETCH(QStringList, globals);
        for (const QString &entry : stored)
            modSettings::WriteSetting("Options", entry.section('=', 0, 0), entry.section('=', 1));
        const QStringList before = Globals();
        QVERIFY(!OpenAndPerform(steps)->isVisible());
        QCOMPARE(Stored(), Merged({kOpened, stored, written.replaceInStrings("ROOT", Root())}));
        QStringList changed = Globals();
        changed.removeIf([&before](const QString &global) { return before.contains(global); });
        QCOMPARE(changed, globals.replaceInStrings("ROOT", Root()));
    }

    void notesFollowTheOnTopBox()
    {
        for (const char *name : {"a.zln", "b.zln"})
            WriteBytes(modFiles::ActiveFolder() + "/" + name, "2880,3255,1500,1500,,Verdana,10,12648447,0,x");
        modMisc::LoadAllNotes();
        const auto placements = [] {
            QStringList shown;
            for (const winNote *note : winNote::AllNotes())
                shown << QString(note->noteIsPinned ? "pinned" : "") +
                             (note->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? "on top" : "") +
                             (note->windowFlags().testFlag(Qt::WindowStaysOnBottomHint) ? " below" : "");
            return shown;
        };
        QCOMPARE(placements(), QStringList({"pinned below", "pinned below"}));
        winOptions *dialog = OpenAndPerform({"click Check6", "click ApplyButton"});
        QCOMPARE(placements(), QStringList({"on top", "on top"}));
        Perform(dialog, "click Check6");
        Perform(dialog, "click ApplyButton");
        QCOMPARE(placements(), QStringList({"pinned below", "pinned below"}));
    }

    // The stand-in for the tray icon shows the chosen picture once applied.
    void trayShowsTheChosenPictureOnApply_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("program"); // the program's picture, else the chosen red one
        QTest::newRow("reset") << QString("Command4") << true;
        QTest::newRow("a picture") << QString("Command3") << false;
    }
    void trayShowsTheChosenPictureOnApply()
    {
        QFETCH(QString, button);
        QFETCH(bool, program);
        const QString file = Root() + "/tray.png";
        QImage red(32, 32, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(file));
        AnswerFileDialogsWith(file);
        winMenu *menu = winMenu::Create();
        QPixmap blue(32, 32);
        blue.fill(Qt::blue);
        menu->ImageIcon = QIcon(blue);
        modTrayIcon::AddTrayIcon();
        auto *control = menu->findChild<winTrayControl *>();
        QVERIFY(control);
        OpenAndPerform({"click " + button, "click ApplyButton"});
        QCOMPARE(modSettings::ReadSetting("Options", "Icon"), program ? "default" : file);
        const QColor centre = control->grab().toImage().pixelColor(control->rect().center());
        QVERIFY(centre != QColor(Qt::blue) && (centre == QColor(Qt::red)) != program);
        QVERIFY(!program ||
                menu->ImageIcon.pixmap(32).toImage() == winMenu::ProgramIcon().pixmap(32).toImage());
    }

    // Play is off for "(None)" and finds a listed sound in the program folder.
    void playFindsAListedSoundInTheProgramFolder()
    {
        winOptions *dialog = OpenAndPerform({});
        QVERIFY(!dialog->Command9->isEnabled());
        Perform(dialog, "choose Combo11 chime.wav");
        dialog->Command9->click();
        const QList<QSoundEffect *> effects = qApp->findChildren<QSoundEffect *>();
        QVERIFY(!effects.isEmpty());
        QCOMPARE(effects.last()->source(), QUrl::fromLocalFile(ProgramFolder + "/chime.wav"));
    }

    void helpOpensTheSupportForum()
    {
        QStringList opened;
        modWebLinks::SetUrlOpener([&opened](const QUrl &url) { opened << url.toString(); });
        qputenv("ZETTLOR_WEB_BASE", "http://127.0.0.1:9");
        OpenAndPerform({"click Command8"});
        qunsetenv("ZETTLOR_WEB_BASE");
        modWebLinks::SetUrlOpener({});
        QCOMPARE(opened, QStringList("http://127.0.0.1:9/forum/index.php?c=18"));
    }
};

ZETTLOR_TEST_CLASS(OptionsTest)
#include "OptionsTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"

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

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
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
        QList<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->inherits("winOptions") || window->inherits("winNote"))
                windows << window;
        qDeleteAll(windows);
        modTrayIcon::RemoveTrayIcon();
        delete winMenu::Instance();
        modDialogs::SetDialogRunner({});
        m_environment.reset();
    }

    // Ctrl+Tab steps to the next tab, which the next opening shows.
    void opensOnTheTabUsedLast_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shownFrame");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("nextFrame");
        const auto row = [](const char *tag, QString stored, QString shownFrame, QString remembered,
                            QString nextFrame) {
            QTest::newRow(tag) << stored << shownFrame << remembered << nextFrame;
        };
        row("first opening", "", "GeneralFrame", "General", "TrayIconFrame");
        row("tray alerts", "TrayAlerts", "TrayAlertsFrame", "TrayAlerts", "SoundsFrame");
        row("blanks ignored", "Tray Icon", "TrayIconFrame", "TrayIcon", "TrayAlertsFrame");
        row("unknown name", "Colours", "GeneralFrame", "General", "TrayIconFrame");
        row("last to first", "Internet", "InternetFrame", "Internet", "GeneralFrame");
    }
    void opensOnTheTabUsedLast()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shownFrame);
        QFETCH(QString, remembered);
        QFETCH(QString, nextFrame);
        modSettings::WriteSetting("Options", "LastOption", stored);
        winOptions *dialog = modOptions::OpenOptions();
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->Tabs->currentWidget()->objectName(), shownFrame);
        QVERIFY(Stored().contains("LastOption=" + remembered));
        QCOMPARE(modOptions::OpenOptions(), dialog);

        // From the buttons below the tabs as well.
        QTest::keyClick(dialog->Command1, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(modOptions::OpenOptions()->Tabs->currentWidget()->objectName(), nextFrame);
    }

    void startAtLogonFollowsTheBox_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("entry");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("click");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("entryAfter");
        const auto row = [](const char *tag, bool portable, QString stored, bool entry, bool ticked,
                            QString click, QString written, bool entryAfter) {
            QTest::newRow(tag) << portable << stored << entry << ticked << click << written << entryAfter;
        };
        row("registered, unticked", false, "True", true, true, "Check3", "False", false);
        row("entry missing, ticked", false, "True", false, false, "Check3", "True", true);
        row("only True counts", false, "true", true, false, "Check4", "False", false);
        // A portable copy leaves an installed copy's entry alone.
        row("portable", true, "True", true, false, "Check4", "False", true);
    }
    void startAtLogonFollowsTheBox()
    {
        QFETCH(bool, portable);
        QFETCH(QString, stored);
        QFETCH(bool, entry);
        QFETCH(bool, ticked);
        QFETCH(QString, click);
        QFETCH(QString, written);
        QFETCH(bool, entryAfter);
        if (portable) {
            WriteBytes(modSettings::PortableSettingsFile(), "");
            PortableMode = true;
        }
        modSettings::WriteSetting("Options", "StartWithWindows", stored);
        if (entry)
            QVERIFY(modRegReadWrite::WriteRegistryString("Zettlor", "/opt/zettlor/zettlor"));
        winOptions *dialog = modOptions::OpenOptions();
        QCOMPARE(dialog->Check3->isChecked(), ticked);
        QCOMPARE(dialog->Check3->isEnabled(), !portable);
        Perform(dialog, "click " + click);
        dialog->ApplyButton->click();
        QCOMPARE(modSettings::ReadSetting("Options", "StartWithWindows"), written);
        QCOMPARE(!modRegReadWrite::ReadRegistryValue("Zettlor").isEmpty(), entryAfter);
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
        row("sound from the list", {},
            {"choose Combo10 Note received", "choose Combo11 chime.wav", "click Command1"},
            {"SoundNoteSent=(None)", "SoundNoteReceived=chime.wav", "SoundNoteCopiedToClipboard=(None)"},
            {"EventSounds=(None)|chime.wav|(None)"});
        row("sound browsed", {}, {"choose Combo10 Note received", "browse ROOT/bell.wav", "click Command1"},
            {"SoundNoteSent=(None)", "SoundNoteReceived=ROOT/bell.wav", "SoundNoteCopiedToClipboard=(None)"},
            {"EventSounds=(None)|ROOT/bell.wav|(None)"});
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

    void trayShowsTheChosenPictureOnApply_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("stored"); // FILE: the chosen file
        QTest::addColumn<bool>("program");   // the program's picture, else the chosen red one
        QTest::newRow("reset") << "Command4"
                               << "default" << true;
        QTest::newRow("a picture") << "Command3"
                                   << "FILE" << false;
    }
    void trayShowsTheChosenPictureOnApply()
    {
        QFETCH(QString, button);
        QFETCH(QString, stored);
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
        QCOMPARE(modSettings::ReadSetting("Options", "Icon"), QString(stored).replace("FILE", file));
        const QColor centre = control->grab().toImage().pixelColor(control->rect().center());
        QVERIFY(centre != QColor(Qt::blue));
        QCOMPARE(centre == QColor(Qt::red), !program);
        if (program)
            QCOMPARE(menu->ImageIcon.pixmap(32).toImage(), winMenu::ProgramIcon().pixmap(32).toImage());
    }

    void playFindsAListedSoundInTheProgramFolder()
    {
        winOptions *dialog = OpenAndPerform({});
        QVERIFY(!dialog->Command9->isEnabled()); // "(None)"
        Perform(dialog, "choose Combo11 chime.wav");
        dialog->Command9->click();
        const QList<QSoundEffect *> effects = qApp->findChildren<QSoundEffect *>();
        QVERIFY(!effects.isEmpty());
        QCOMPARE(effects.last()->source(), QUrl::fromLocalFile(ProgramFolder + "/chime.wav"));
    }

    void helpOpensTheSupportForum()
    {
        QList<QUrl> opened;
        modWebLinks::SetUrlOpener([&opened](const QUrl &url) { opened << url; });
        qputenv("ZETTLOR_WEB_BASE", "http://127.0.0.1:9");
        modOptions::OpenOptions()->Command8->click();
        qunsetenv("ZETTLOR_WEB_BASE");
        modWebLinks::SetUrlOpener({});
        QCOMPARE(opened, QList<QUrl>{QUrl("http://127.0.0.1:9/forum/index.php?c=18")});
    }
};

ZETTLOR_TEST_CLASS(OptionsTest)
#include "OptionsTest.moc"

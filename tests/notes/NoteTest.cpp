#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "core/Globals.h"
#include "core/ModMain.h"
#include "core/modAlerts.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "notes/modDualMonitors.h"
#include "notes/modMisc.h"
#include "notes/modNoteText.h"
#include "notes/modPinToDesktop.h"
#include "notes/winNote.h"
#include "tray/winMenu.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSessionManager>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>
#include <sys/stat.h>

namespace {

const QByteArray Note = "2880,3255,1500,1500,,Verdana,10,0,0,x";

void MovePointer(QWidget *widget, QPoint at, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent event(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, buttons, {});
    QCoreApplication::sendEvent(widget, &event);
}

void Choose(winNote *note, QAction *winMenu::*item)
{
    winMenu *menu = winMenu::Instance();
    note->ShowNoteMenu(QPoint(10, 10));
    menu->NoteMenu->hide();
    (menu->*item)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// "on top", "on the desktop" (pinned below all windows), or "neither".
QString Placement(const winNote *note)
{
    const auto hint = note->windowFlags() & (Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint);
    if (!note->isVisible() ||
        hint != (note->noteIsPinned ? Qt::WindowStaysOnBottomHint : Qt::WindowStaysOnTopHint))
        return "neither";
    return note->noteIsPinned ? "on the desktop" : "on top";
}

// The nine fields ("-" unset, "*" centred, "BI" style), text, sender's address and name.
QString Described(const modNoteText::NoteRecord &r)
{
    const auto number = [](const auto &value) { return value ? QString::number(*value) : QString("-"); };
    return QString("%1|%2|%3|%4|%5|%6|%7|%8|%9|")
               .arg(number(r.height), number(r.width), r.leftCentred ? "*" : number(r.left),
                    r.topCentred ? "*" : number(r.top), QString(r.bold ? "B" : "") + (r.italic ? "I" : ""),
                    r.fontName.value_or("-"), number(r.fontSize), number(r.backColour),
                    number(r.textColour)) +
           r.text + "|" + r.fromIP + "|" + r.fromName;
}

} // namespace

class NoteTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;

    static QString ActiveFile(const QString &name = "n.zln") { return modFiles::ActiveFolder() + "/" + name; }
    static QByteArray Stored() { return ReadBytes(ActiveFile()); }
    static winNote *ShownNote(const QByteArray &bytes, const QString &name = "n.zln")
    {
        WriteBytes(ActiveFile(name), bytes);
        winNote *note = modMisc::LoadNote(ActiveFile(name), name, QString());
        (void)QTest::qWaitForWindowExposed(note);
        return note;
    }

private slots:
    void init()
    {
        m_environment.emplace();
        winMenu::Create();
    }
    void cleanup()
    {
        DeleteWindows({"winNote"});
        delete winMenu::Instance();
        winNote::SetSaveDelayForTests(0);
        winNote::SetApplicationActiveForTests(std::nullopt);
        modAlerts::SetAlertPresenter({});
        modDualMonitors::SetVirtualScreenForTests(std::nullopt);
        m_environment.reset();
    }

    void reads_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("record");
        const auto row = [](const char *name, const char *text, const char *record) {
            QTest::newRow(name) << QString(text) << QString(record);
        };
        row("last trailer wins", "1,2,3,4,,F,9,0,0,a[FROM=x|y]b[FROM=5.6.7.8|N]",
            "1|2|3|4||F|9|0|0|a[FROM=x|y]b|5.6.7.8|N");
        row("empty address is text", "1,2,3,4,,F,9,0,0,[FROM=|][FROM=|]",
            "1|2|3|4||F|9|0|0|[FROM=|][FROM=|]||");
        row("trailer word in font name", "1,2,3,4,,F[FROM=D|,9,0,0,t]", "1|2|3|4||F[FROM=D||9|0|0|t]||");
        row("bad fields stay unset", "abc,,*,x,ITALICBOLD,,big,99999999999,-1,t", "-|-|*|-|BI|-|-|-|-1|t||");
        row("partial keeps whole text", "1,2.5,3", "1|2.5|-|-||-|-|-|-|1,2.5,3||");
    }
    void reads()
    {
        QFETCH(QString, text);
        QTEST(Described(modNoteText::ParseNoteText(text)), "record");
    }

    // Bad fields keep the initial look; a size of no pixel would hide the note for good.
    void savesBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("saved"); // empty: the same bytes
        QTest::newRow("commas, star, CR LF, colours, UTF-8")
            << QByteArray("2880,3255,15,30,BoldItalic,DejaVu Sans,11,255,-2147483643,a,b,*\r\n*,日本\r\n")
            << QByteArray();
        QTest::newRow("half point size rounds to even")
            << QByteArray("2880,3255,7200,1440,Italic,Verdana,10.5,-2147483640,0,x")
            << QByteArray("2880,3255,7200,1440,Italic,Verdana,10,-2147483640,0,x");
        QTest::newRow("zero height, bad numbers") << QByteArray("0,-3255,z,w,,,q,r,s,t")
                                                  << QByteArray("4110,6615,15,15,,Sans Serif,9,12648447,0,t");
    }
    void savesBackByteForByte()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, saved);
        QVERIFY(ShownNote(stored)->ResaveNote());
        QCOMPARE(Stored(), saved.isEmpty() ? stored : saved);
    }

    // A failed save stays pending (for exit too) and is retried; the user is told once, and why. A note too
    // long to load again is not written. A window-system close saves quick edit, or keeps an unsaved note.
    void failedSaveIsRetried_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("alert"); // empty: none
        const QString blocked = "could not be saved in the folder";
        QTest::newRow("folder cannot be written") << "blocked" << blocked;
        QTest::newRow("note too long to load") << "too long" << QString("too long");
        QTest::newRow("window system close") << "closed" << QString();
        QTest::newRow("window system close, cannot be written") << "closed, blocked" << blocked;
    }
    void failedSaveIsRetried()
    {
        QFETCH(QString, how);
        QFETCH(QString, alert);
        const bool blocked = how.endsWith("blocked");
        winNote::SetSaveDelayForTests(50);
        QStringList alerts;
        modAlerts::SetAlertPresenter([&](const QString &text) { alerts << text; });
        winNote *note = ShownNote("2880,3255,7200,1440,,Verdana,10,0,0,old");
        // A folder in the file's place blocks the write even for root.
        QVERIFY(!blocked || (QFile::remove(ActiveFile()) && QDir().mkpath(ActiveFile())));
        const QByteArray saved = "2880,3255,7200,1440,,Verdana,10,0,0,new";
        if (how.startsWith("closed")) {
            note->EnterQuickEditMode();
            note->Text1->setPlainText("new");
            QCloseEvent close; // as the window system sends it
            QSpontaneKeyEvent::setSpontaneous(&close);
            qApp->notify(note, &close);
            QCOMPARE(close.isAccepted(), !blocked);
            QCOMPARE(note->isVisible(), blocked);
            QCOMPARE(note->HasPendingSave(), blocked);
            QCOMPARE(Stored(), blocked ? QByteArray() : saved);
        } else {
            note->Label2->setText(how == "too long" ? QString(modFiles::MaximumNoteFileSize, 'x') : "new");
            QVERIFY(!note->ResaveNote() && !note->ResaveNote());
        }
        QCOMPARE(alerts.size(), int(!alert.isEmpty()));
        QVERIFY(alert.isEmpty() || alerts[0].contains(alert));
        if (how == "too long")
            note->Label2->setText("new");
        if (blocked)
            QVERIFY(QDir(ActiveFile()).removeRecursively());
        QTRY_COMPARE(Stored(), saved);
    }

    // Only readable regular files up to 1 MiB load; a link is saved in its own place. Of a note and the stray
    // of a cut-short save the newer non-empty text stays; a note it replaces is archived (it may be cut).
    void loadsOnlyWhatIsSafe_data()
    {
        QTest::addColumn<QString>("entry");    // what "x.zln", or "n.zln" and its stray, are
        QTest::addColumn<QString>("shown");    // the notes' texts, sorted
        QTest::addColumn<QString>("archived"); // the archived notes' texts
        const auto row = [](const char *name, const char *entry, const char *shown,
                            const char *archived = "") {
            QTest::newRow(name) << QString(entry) << QString(shown) << QString(archived);
        };
        row("link to a note", "link to a note", "a x");
        row("link to a FIFO", "link to a FIFO", "a");
        row("unreadable", "link to /proc/self/mem", "a");
        row("larger than 1 MiB", "large", "a");
        row("newer stray", "stray 10 new", "a new", "old");
        row("older stray", "stray -10 new", "a old");
        row("stray without its note", "stray 10 new, no note", "a new");
        row("empty newer stray", "stray 10", "a old");
    }
    void loadsOnlyWhatIsSafe()
    {
        QFETCH(QString, entry);
        modFiles::CreateDataFolders();
        const QByteArray fields = "2880,3255,150,150,,Verdana,10,0,0,";
        WriteBytes(ActiveFile("a.zln"), fields + "a");
        const QString target = m_environment->root() + "/target";
        if (entry == "link to a note")
            WriteBytes(target, fields + "x");
        if (entry == "link to a FIFO")
            QCOMPARE(mkfifo(qPrintable(target), 0600), 0);
        if (entry.startsWith("link"))
            QVERIFY(QFile::link(entry.startsWith("link to /") ? entry.mid(8) : target, ActiveFile("x.zln")));
        if (entry == "large")
            WriteBytes(ActiveFile("x.zln"), fields + QByteArray(1 << 20, 'x'));
        if (entry.startsWith("stray") && !entry.endsWith("no note"))
            WriteBytes(ActiveFile(), fields + "old");
        if (entry.startsWith("stray")) { // its time is the note's and the given seconds
            QFile stray(ActiveFile("n.zln.a1B2c3"));
            QVERIFY(stray.open(QIODevice::WriteOnly) &&
                    stray.write(entry.contains("new") ? fields + "new" : "") >= 0 && stray.flush());
            QVERIFY(stray.setFileTime(QDateTime::currentDateTime().addSecs(entry.section(' ', 1, 1).toInt()),
                                      QFileDevice::FileModificationTime));
        }
        modMisc::LoadAllNotes();
        QStringList texts;
        for (winNote *note : winNote::AllNotes()) {
            texts << note->Label2->text();
            note->move(40, 30); // a save through the link would show in its target
            QVERIFY(note->ResaveNote());
        }
        texts.sort();
        QTEST(texts.join(' '), "shown");
        QStringList archived;
        for (const QString &name : QDir(modFiles::ArchiveFolder()).entryList(QDir::Files))
            archived << ReadBytes(modFiles::ArchiveFolder() + "/" + name).mid(fields.size());
        QTEST(archived.join(' '), "archived");
        QCOMPARE(QDir(modFiles::ActiveFolder()).entryList({"*.zln.*"}, QDir::Files), QStringList());
        if (entry == "link to a note")
            QCOMPARE(ReadBytes(target), fields + "x");
    }

    // A handle names one note for the run; closing never writes the file; an undeletable note stays.
    void deletesByHandleAndClosesWithoutWriting()
    {
        const auto handle = modMisc::NoteHandle(ShownNote("2880,3255,150,150,,Verdana,10,0,0,a", "gone.zln"));
        modMisc::DeleteNoteWindow(handle);
        QTRY_VERIFY(winNote::AllNotes().isEmpty());
        winNote *next = ShownNote("2880,3255,150,150,,Verdana,10,0,0,b");
        modMisc::DeleteNoteWindow(handle);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(winNote::AllNotes(), QList<winNote *>{next});
        next->move(400, 400);
        next->close();
        QCOMPARE(Stored(), QByteArray("2880,3255,150,150,,Verdana,10,0,0,b"));
        // A folder in the file's place blocks the delete even for root.
        int warnings = 0;
        modDialogs::SetDialogRunner([&](QDialog &) { return ++warnings, int(QMessageBox::Ok); });
        winNote *kept = ShownNote("2880,3255,150,150,,Verdana,10,0,0,c", "kept.zln");
        QVERIFY(QFile::remove(ActiveFile("kept.zln")) && QDir().mkpath(ActiveFile("kept.zln") + "/inside"));
        modMisc::DeleteNoteWindow(modMisc::NoteHandle(kept));
        QVERIFY(kept->isVisible() && warnings == 1);
    }

    // A drag ends with the left button up, seen or not, the note on screen and pinned as it was; the grip
    // keeps the size in limits. Each session request writes a pending move; its "die" (Quit) ends as Exit.
    void dragsAndResizes_data()
    {
        QTest::addColumn<QString>("grab"); // the part pressed
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("pull");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QString>("stored"); // the first four fields, saved at the end
        QTest::addColumn<QString>("end");    // Exit, or the session's request
        const auto row = [](const char *tag, const char *grab, QRect screen, QPoint pull, bool pinned,
                            const char *stored, const char *end = "Exit") {
            QTest::newRow(tag) << grab << screen << pull << pinned << stored << end;
        };
        const QRect one(0, 0, 1920, 1080), two(-1920, 0, 3840, 1080);
        row("chord", "Label2", one, QPoint(-100, 30), true, "2880,3255,15,1650");
        row("no release", "winNote", one, QPoint(-100, 30), false, "2880,3255,15,1650");
        row("bottom", "winNote", one, QPoint(20, 1200), false, "2880,3255,1500,13305");
        row("right", "winNote", one, QPoint(1900, 20), true, "2880,3255,25545,1500");
        row("left", "winNote", two, QPoint(-2100, 20), true, "2880,3255,-28785,1500");
        row("min", "CornerImage", two, QPoint(-200, 0), false, "2880,2550,1500,1500");
        row("max", "CornerImage", two, QPoint(900, 900), true, "9000,9000,1500,1500");
        for (const char *request : {"commit data (Global)", "save state (Local)", "die"})
            row(request, "winNote", one, QPoint(120, 20), false, "2880,3255,3000,1500", request);
    }
    void dragsAndResizes()
    {
        QFETCH(QString, grab);
        QFETCH(QRect, screen);
        QFETCH(QPoint, pull);
        QFETCH(bool, pinned);
        modDualMonitors::SetVirtualScreenForTests(screen, screen.left() < 0 ? 2 : 1);
        winNote *note = ShownNote(Note);
        pinned ? modPinToDesktop::PinNoteToDesktop(note) : modPinToDesktop::UnpinNote(note);
        QWidget *grabbed = grab == "winNote" ? note : note->findChild<QWidget *>(grab);
        QTest::mousePress(grabbed, Qt::LeftButton, {}, grab == "CornerImage" ? QPoint() : QPoint(20, 20));
        MovePointer(grabbed, pull, Qt::LeftButton);
        if (grab == "Label2") {
            QTest::mousePress(grabbed, Qt::RightButton, {}, pull);
            winMenu::Instance()->NoteMenu->hide();
        }
        if (grab == "CornerImage")
            QTest::mouseRelease(grabbed, Qt::LeftButton, {}, pull);
        MovePointer(grabbed, QPoint(200, 200)); // no button down any more; its save is 2 s away
        QCOMPARE(note->noteIsPinned, pinned);
        QFETCH(QString, end);
        if (end == "Exit") {
            ModMain::ExitProgram();
        } else {
            static const bool listening = (ModMain::ListenForTermination(), true);
            auto *session = qApp->findChild<QSessionManager *>();
            QVERIFY(listening && session);
            QEvent quit(QEvent::Quit);
            if (end.startsWith("commit"))
                emit qApp->commitDataRequest(*session);
            else if (end.startsWith("save"))
                emit qApp->saveStateRequest(*session);
            else
                QCoreApplication::sendEvent(qApp, &quit);
        }
        QFETCH(QString, stored);
        QCOMPARE(Stored(), stored.toUtf8() + Note.mid(19));
    }

    // Typed text is saved while typing, CR LF kept; the note grows in height only; each way out saves.
    void quickEditSavesTheText_data()
    {
        QTest::addColumn<QString>("exit");
        QTest::newRow("pointer away, another program in front") << "away";
        QTest::newRow("Escape") << "Escape";
        QTest::newRow("grip press") << "grip";
        QTest::newRow("program ends") << "exit";
    }
    void quickEditSavesTheText()
    {
        QFETCH(QString, exit);
        winNote::SetSaveDelayForTests(50);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,a\r\nb");
        QTest::mouseDClick(note->Label2, Qt::LeftButton);
        const QByteArray typed = QByteArray(" and a much longer text").repeated(20);
        QTest::keyClicks(note->Text1, typed);
        QTRY_VERIFY(Stored().endsWith(",a\r\nb" + typed));
        QTRY_VERIFY(note->HeightTwips() > 3000);
        if (exit == "exit")
            winNote::SetSaveDelayForTests(0); // no timer saves before the end
        QTest::keyClicks(note->Text1, "!");
        MovePointer(note, QPoint(2, 2));
        if (exit == "away") {
            QTest::qWait(250);
            QVERIFY2(note->IsInQuickEditMode(), "ours is still the active application");
            winNote::SetApplicationActiveForTests(false);
        }
        if (exit == "Escape")
            QTest::keyClick(note->Text1, Qt::Key_Escape);
        if (exit == "grip")
            QTest::mousePress(note->CornerImage, Qt::LeftButton, {}, QPoint(0, 0));
        if (exit == "exit")
            ModMain::ExitProgram();
        QTRY_VERIFY(!note->IsInQuickEditMode());
        QCOMPARE(note->WidthTwips(), 3255);
        QTRY_VERIFY(Stored().endsWith(",a\r\nb" + typed + "!"));
    }

    // In quick edit a right press opens the note's menu alone, not the edit box's as well.
    void quickEditRightPressOpensTheNoteMenu()
    {
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,a");
        QTest::mouseDClick(note->Label2, Qt::LeftButton);
        QWidget *box = note->Text1->viewport();
        QTest::mousePress(box, Qt::RightButton, {}, QPoint(5, 5));
        std::optional<QWidget *> topMenu;
        QTimer::singleShot(100, [&] {
            topMenu = QApplication::activePopupWidget();
            if (*topMenu)
                (*topMenu)->close();
        });
        QContextMenuEvent asked(QContextMenuEvent::Mouse, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(box, &asked); // the window system's, after the press
        QTRY_VERIFY(topMenu);
        QVERIFY(*topMenu == winMenu::Instance()->NoteMenu);
    }

    // Archiving saves a pending change first and replaces an older copy; on failure the note stays.
    void removeNote_data()
    {
        QTest::addColumn<int>("answer"); // 0: archived unasked, into a folder that is gone
        QTest::addColumn<QByteArray>("archived"); // beside the archived note of the same name
        QTest::newRow("yes: move saved") << int(QMessageBox::Yes) << "2880,3255,3000,1500" + Note.mid(19);
        QTest::newRow("no") << int(QMessageBox::No) << QByteArray();
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << QByteArray();
        QTest::newRow("no archive folder") << 0 << QByteArray();
    }
    void removeNote()
    {
        QFETCH(int, answer);
        WhenDeletingNotes = answer ? "Prompt to archive or delete note" : "Archive note";
        int asked = 0;
        modDialogs::SetDialogRunner(
            [&](QDialog &) { return ++asked, answer ? answer : int(QMessageBox::Ok); });
        QPointer<winNote> note = ShownNote(Note);
        const QString archiveFile = modFiles::ArchiveFolder() + "/n.zln";
        WriteBytes(archiveFile, "old");
        if (!answer)
            QDir(modFiles::ArchiveFolder()).removeRecursively();
        note->move(200, 100);
        note->SaveTimer->start();
        Choose(note, &winMenu::RemoveNote);
        const bool stays = answer == QMessageBox::Cancel || !answer;
        QCOMPARE(asked, 1); // the question, or the news that the note stays
        QCOMPARE(!note.isNull() && note->isVisible(), stays);
        QCOMPARE(Stored().isEmpty(), !stays);
        QCOMPARE(ReadBytes(archiveFile), answer ? "old" : "");
        QStringList archived = QDir(modFiles::ArchiveFolder()).entryList(QDir::Files);
        archived.removeOne("n.zln");
        QTEST(archived.isEmpty() ? QByteArray() : ReadBytes(modFiles::ArchiveFolder() + "/" + archived[0]),
              "archived");
    }

    // A new note goes on the desktop, a received one on top as set, switched in place; Reply only for
    // received notes; Copy uses LF.
    void menuCommands()
    {
        winNote *note = ShownNote(Note);
        const QPoint position = note->pos();
        QCOMPARE(Placement(note), "on the desktop");
        Choose(note, &winMenu::SetNoteToTop);
        QCOMPARE(Placement(note), "on top");
        QCOMPARE(note->pos(), position);
        note->Label2->setText("a\nb\rc\r\n\nd");
        Choose(note, &winMenu::CopyToClipboard);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("a\nb\nc\n\nd"));
        NotesAlwaysOnTop = true;
        note = ShownNote(Note + "[FROM=127.0.0.2|B]", "r.zln");
        Choose(note, &winMenu::SetNoteToTop);
        QVERIFY(winMenu::Instance()->ReplyToSender->isVisible());
        QCOMPARE(Placement(note), "on the desktop");
    }
};

ZETTLOR_TEST_CLASS(NoteTest)
#include "NoteTest.moc"

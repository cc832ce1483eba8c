#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modAlerts.h"
#include "core/modFiles.h"
#include "notes/modDualMonitors.h"
#include "notes/modMisc.h"
#include "notes/modPinToDesktop.h"
#include "notes/winNote.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <memory>
#include <sys/stat.h>

namespace {

struct NoteCloser
{
    void operator()(winNote *note) const { delete note; }
};
using NotePtr = std::unique_ptr<winNote, NoteCloser>;

QString ActiveFile(const QString &name)
{
    return modFiles::ActiveFolder() + "/" + name;
}

NotePtr LoadFromBytes(const QByteArray &bytes, const QString &name = "01012600000000.zln")
{
    modFiles::CreateDataFolders();
    WriteBytes(ActiveFile(name), bytes);
    return NotePtr(modMisc::LoadNote(ActiveFile(name), name, QString()));
}

} // namespace

class NoteWindowTest final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        qDeleteAll(winNote::AllNotes()); // also those a failed case left
        winNote::SetSaveDelayForTests(0);
        modAlerts::SetAlertPresenter({});
        modDualMonitors::SetVirtualScreenForTests(std::nullopt);
    }

    void showsWhatTheFileSays()
    {
        TestEnvironment environment;
        modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080));
        const NotePtr note =
            LoadFromBytes("2880,3255,7200,1440,Bold,Verdana,10,12648447,255,Buy milk, bread");
        QVERIFY(note->isVisible());
        QCOMPARE(note->geometry(), QRect(480, 96, 217, 192));
        QVERIFY(note->Label2->font().bold());
        QCOMPARE(note->Label2->font().family(), QString("Verdana"));
        QCOMPARE(note->Label2->font().pointSizeF(), 10.0);
        QCOMPARE(note->Label2->text(), QString("Buy milk, bread"));
        QCOMPARE(note->Label2->palette().color(QPalette::Window), QColor(0xff, 0xff, 0xc0));
        QCOMPARE(note->Label2->palette().color(QPalette::WindowText), QColor(0xff, 0, 0));
        QCOMPARE(note->Label2->width(), 217 - 16);
        QCOMPARE(note->Shape1->geometry(), QRect(0, 0, 217, 192));
    }

    void savesBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("saved"); // empty: the same bytes
        const QByteArray plain = "2880,3255,7200,1440,Bold,Verdana,10,12648447,0,Buy milk, bread";
        QTest::newRow("made here") << plain << QByteArray();
        QTest::newRow("received") << plain + "[FROM=192.168.1.20|Desk 2]" << QByteArray();
        QTest::newRow("Windows-1252 from an older copy")
            << QByteArray("2880,3255,7200,1440,,Verdana,10,12648447,0,Gr\xfc\xdf"
                          "e \x93x\x94\r\nzwei")
            << QByteArray("2880,3255,7200,1440,,Verdana,10,12648447,0,Grüße “x”\r\nzwei");
        QTest::newRow("commas, star, CR LF, colours")
            << QByteArray("2880,3255,15,30,Italic,Arial,9,255,-2147483643,a,b,*\r\n*,c\r\n") << QByteArray();
        QTest::newRow("non-ASCII")
            << QByteArray("2880,3255,15,30,BoldItalic,DejaVu Sans,11,0,16777215,Grüße “x” 日本")
            << QByteArray();
        QTest::newRow("own text holds the trailer word")
            << QByteArray("2880,3255,15,30,,Arial,9,0,0,a[FROM=1|2]b[FROM=10.0.0.1|Desk]") << QByteArray();
        QTest::newRow("half point size rounds to even")
            << QByteArray("2880,3255,7200,1440,Italic,Verdana,10.5,-2147483640,0,x")
            << QByteArray("2880,3255,7200,1440,Italic,Verdana,10,-2147483640,0,x");
    }
    void savesBackByteForByte()
    {
        QFETCH(QByteArray, stored);
        TestEnvironment environment;
        modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080));
        const NotePtr note = LoadFromBytes(stored);
        QVERIFY(note->ResaveNote());
        QFETCH(QByteArray, saved);
        QCOMPARE(ReadBytes(ActiveFile(note->noteFileName)), saved.isEmpty() ? stored : saved);
    }

    void badFilesKeepTheInitialLook_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("no commas") << QByteArray("only text") << "only text";
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("bad numbers") << QByteArray("x,y,z,w,,,q,r,s,t") << "t";
        QTest::newRow("zero height, negative width") << QByteArray("0,-3255,15,15,,,,,,t") << "t";
    }
    void badFilesKeepTheInitialLook()
    {
        QFETCH(QByteArray, stored);
        TestEnvironment environment;
        modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080));
        const NotePtr note = LoadFromBytes(stored);
        QTEST(note->Label2->text(), "text");
        QCOMPARE(note->size(), QSize(441, 274));
        QCOMPARE(note->Label2->palette().color(QPalette::Window), QColor(0xff, 0xff, 0xc0));
    }

    void receivedTextGetsItsOwnFile()
    {
        TestEnvironment environment;
        modFiles::CreateDataFolders();
        modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080));
        const QString text = "2880,3255,*,*,,Verdana,12,12648447,0,Hello[FROM=127.0.0.2|Desk 2]";
        const NotePtr note(modMisc::LoadNote("", "", text));
        QVERIFY(!note->noteFileName.isEmpty());
        QCOMPARE(note->noteFromIP, QString("127.0.0.2"));
        QCOMPARE(note->noteFromName, QString("Desk 2"));
        // "*" centres on the primary screen.
        const QSize primary = QGuiApplication::primaryScreen()->size();
        const QPoint centred(primary.width() / 2 - 108, primary.height() / 2 - 96);
        QCOMPARE(note->pos(), centred);
        QCOMPARE(ReadBytes(ActiveFile(note->noteFileName)),
                 QString("2880,3255,%1,%2,,Verdana,12,12648447,0,Hello[FROM=127.0.0.2|Desk 2]")
                     .arg(centred.x() * 15)
                     .arg(centred.y() * 15)
                     .toUtf8());
    }

    // A note whose save failed stays unsaved: retried by the timer and at
    // exit; the user hears of it once until a save succeeds again.
    void failedSaveIsRetried()
    {
        TestEnvironment environment;
        winNote::SetSaveDelayForTests(50);
        QStringList alerts;
        modAlerts::SetAlertPresenter([&](const QString &text) { alerts << text; });
        const NotePtr note = LoadFromBytes("2880,3255,7200,1440,,Verdana,10,0,0,old", "n.zln");
        // A folder in the file's place blocks the write even for root.
        const auto block = [] {
            return QFile::remove(ActiveFile("n.zln")) && QDir().mkpath(ActiveFile("n.zln"));
        };
        const auto unblock = [] { return QDir(ActiveFile("n.zln")).removeRecursively(); };
        QVERIFY(block());
        note->Label2->setText("new");
        QVERIFY(!note->ResaveNote());
        QVERIFY(!note->ResaveNote());
        QCOMPARE(alerts.size(), 1);
        QVERIFY2(alerts.first().contains(modFiles::ActiveFolder()), qPrintable(alerts.first()));
        QVERIFY(unblock());
        QTRY_COMPARE(ReadBytes(ActiveFile("n.zln")), QByteArray("2880,3255,7200,1440,,Verdana,10,0,0,new"));
        QVERIFY(block());
        note->Label2->setText("newer");
        QVERIFY(!note->ResaveNote());
        QCOMPARE(alerts.size(), 2);
        QVERIFY(unblock());
        QVERIFY(note->SavePendingChanges());
        QCOMPARE(ReadBytes(ActiveFile("n.zln")), QByteArray("2880,3255,7200,1440,,Verdana,10,0,0,newer"));
    }

    // Only regular files up to 1 MiB that can be read become notes; nothing
    // else can stall start-up or be overwritten by an empty note. A note that
    // is a link is shown, but its save replaces the link, not the target.
    void loadsEveryReadableNote_data()
    {
        QTest::addColumn<QString>("entry"); // what "x.zln" is
        QTest::addColumn<bool>("shown");
        QTest::newRow("link to a note") << "link to a note" << true;
        QTest::newRow("link to a device") << "link to /dev/null" << false;
        QTest::newRow("link to a FIFO") << "link to a FIFO" << false;
        QTest::newRow("unreadable") << "link to /proc/self/mem" << false;
        QTest::newRow("larger than 1 MiB") << "large" << false;
    }
    void loadsEveryReadableNote()
    {
        QFETCH(QString, entry);
        TestEnvironment environment;
        modFiles::CreateDataFolders();
        WriteBytes(ActiveFile("a.zln"), "2880,3255,150,150,,Verdana,10,0,0,a");
        WriteBytes(ActiveFile("c.txt"), "not a note");
        const QString target = environment.root() + "/target";
        if (entry == "link to a note")
            WriteBytes(target, "2880,3255,300,300,,Verdana,10,0,0,x");
        if (entry == "link to a FIFO")
            QCOMPARE(mkfifo(qPrintable(target), 0600), 0);
        if (entry.startsWith("link to /"))
            QVERIFY(QFile::link(entry.mid(8), ActiveFile("x.zln")));
        else if (entry.startsWith("link"))
            QVERIFY(QFile::link(target, ActiveFile("x.zln")));
        if (entry == "large")
            WriteBytes(ActiveFile("x.zln"), "2880,3255,300,300,,Verdana,10,0,0," + QByteArray(1 << 20, 'x'));
        modMisc::LoadAllNotes();
        QStringList texts;
        for (winNote *note : winNote::AllNotes())
            texts << note->Label2->text();
        texts.sort();
        QFETCH(bool, shown);
        QCOMPARE(texts, shown ? QStringList({"a", "x"}) : QStringList({"a"}));
        for (winNote *note : winNote::AllNotes()) {
            note->move(40, 30); // a save through the link would show in its target
            QVERIFY(note->ResaveNote());
        }
        if (entry == "link to a note") {
            QCOMPARE(ReadBytes(target), QByteArray("2880,3255,300,300,,Verdana,10,0,0,x"));
            QVERIFY(!QFileInfo(ActiveFile("x.zln")).isSymLink());
        }
    }

    // A save cut short between writing and renaming leaves its temporary file
    // beside the note; the next start keeps the newer text and no stray.
    void strayTemporaryFilesAreSettled_data()
    {
        QTest::addColumn<QByteArray>("note"); // empty: no note file
        QTest::addColumn<QByteArray>("stray");
        QTest::addColumn<int>("strayAge"); // seconds relative to the note
        QTest::addColumn<QByteArray>("kept");
        const QByteArray older = "2880,3255,150,150,,Verdana,10,0,0,old";
        const QByteArray newer = "2880,3255,150,150,,Verdana,10,0,0,new";
        QTest::newRow("newer stray") << older << newer << 10 << newer;
        QTest::newRow("older stray") << older << newer << -10 << older;
        QTest::newRow("stray without its note") << QByteArray() << newer << 10 << newer;
        QTest::newRow("empty newer stray") << older << QByteArray() << 10 << older;
    }
    void strayTemporaryFilesAreSettled()
    {
        QFETCH(QByteArray, note);
        QFETCH(QByteArray, stray);
        QFETCH(int, strayAge);
        TestEnvironment environment;
        modFiles::CreateDataFolders();
        const QDateTime noteTime = QDateTime::currentDateTime().addSecs(-100);
        const auto writeAt = [](const QString &path, const QByteArray &bytes, const QDateTime &time) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
                   file.setFileTime(time, QFileDevice::FileModificationTime);
        };
        if (!note.isEmpty())
            QVERIFY(writeAt(ActiveFile("n.zln"), note, noteTime));
        QVERIFY(writeAt(ActiveFile("n.zln.a1B2c3"), stray, noteTime.addSecs(strayAge)));
        modMisc::LoadAllNotes();
        QCOMPARE(QDir(modFiles::ActiveFolder()).entryList(QDir::Files), QStringList{"n.zln"});
        QTEST(ReadBytes(ActiveFile("n.zln")), "kept");
        QCOMPARE(winNote::AllNotes().size(), 1);
    }

    void deletesWindowAndFile()
    {
        TestEnvironment environment;
        NotePtr note = LoadFromBytes("2880,3255,150,150,,Verdana,10,0,0,a", "gone.zln");
        modMisc::DeleteNoteWindow(modMisc::NoteHandle(note.get()));
        QTRY_VERIFY(winNote::AllNotes().isEmpty());
        note.release();
        QVERIFY(!QFile::exists(ActiveFile("gone.zln")));
    }

    void staleHandleNamesNoNote()
    {
        TestEnvironment environment;
        auto *gone = LoadFromBytes("2880,3255,150,150,,Verdana,10,0,0,a", "gone.zln").release();
        const auto staleHandle = modMisc::NoteHandle(gone);
        delete gone;
        // The next note may well live where the closed one did.
        const NotePtr next = LoadFromBytes("2880,3255,150,150,,Verdana,10,0,0,b", "next.zln");
        modMisc::DeleteNoteWindow(staleHandle);
        QCOMPARE(winNote::AllNotes(), QList<winNote *>{next.get()});
        QVERIFY(QFile::exists(ActiveFile("next.zln")));
    }

    void unloadWritesNothing()
    {
        TestEnvironment environment;
        auto *note = LoadFromBytes("2880,3255,150,150,,Verdana,10,0,0,a", "kept.zln").release();
        note->move(400, 400);
        note->close();
        QTRY_VERIFY(winNote::AllNotes().isEmpty());
        QCOMPARE(ReadBytes(ActiveFile("kept.zln")), QByteArray("2880,3255,150,150,,Verdana,10,0,0,a"));
    }

    void cutsTheTopLeftCorner_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("small") << QSize(170, 100);
        QTest::newRow("wider than the largest size") << QSize(800, 650);
    }
    void cutsTheTopLeftCorner()
    {
        QFETCH(QSize, size);
        winNote note;
        note.resize(size);
        note.show();
        const QRegion shape = note.mask();
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                QCOMPARE(shape.contains(QPoint(x, y)), x + y > 8);
        QVERIFY(shape.contains(QPoint(size.width() - 1, size.height() - 1)));
        QVERIFY(shape.contains(QPoint(size.width() - 1, 0)));
    }

    void pullsNotesOnScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<int>("monitors");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QPoint>("start"); // twips
        QTest::addColumn<QPoint>("end");   // twips
        const QRect single(0, 0, 1920, 1080);
        QTest::newRow("3 px from the left") << single << 1 << false << QPoint(45, 1500) << QPoint(15, 1500);
        QTest::newRow("past the right, on top")
            << single << 1 << false << QPoint(28000, 1500) << QPoint(25785, 1500);
        QTest::newRow("past the right, pinned")
            << single << 1 << true << QPoint(28000, 1500) << QPoint(25800, 1500);
        QTest::newRow("above the top") << single << 1 << false << QPoint(1500, -300) << QPoint(1500, 15);
        QTest::newRow("below the bottom")
            << single << 1 << false << QPoint(1500, 15000) << QPoint(1500, 13185);
        QTest::newRow("inside stays") << single << 1 << false << QPoint(1500, 1500) << QPoint(1500, 1500);
        const QRect leftMonitor(-1920, 0, 3840, 1080);
        QTest::newRow("left monitor, left edge")
            << leftMonitor << 2 << false << QPoint(-28800, 1500) << QPoint(-28785, 1500);
        QTest::newRow("left monitor, pinned stays pinned")
            << leftMonitor << 2 << true << QPoint(-28800, 1500) << QPoint(-28785, 1500);
        QTest::newRow("left monitor, past the right")
            << leftMonitor << 2 << false << QPoint(28000, 1500) << QPoint(25785, 1500);
        const QRect tiny(0, 0, 100, 1080);
        QTest::newRow("wider than the screen keeps left reachable")
            << tiny << 1 << false << QPoint(150, 1500) << QPoint(15, 1500);
    }
    void pullsNotesOnScreen()
    {
        QFETCH(QRect, screen);
        QFETCH(int, monitors);
        QFETCH(bool, pinned);
        QFETCH(QPoint, start);
        modDualMonitors::SetVirtualScreenForTests(screen, monitors);
        winNote note;
        note.SetWidthTwips(3000);
        note.SetHeightTwips(3000);
        note.SetLeftTwips(start.x());
        note.SetTopTwips(start.y());
        if (pinned)
            modPinToDesktop::PinNoteToDesktop(&note);
        note.CheckNotePosition();
        QTEST(QPoint(int(note.LeftTwips()), int(note.TopTwips())), "end");
        QCOMPARE(note.noteIsPinned, pinned);
    }

    void placesByTheSetting_data()
    {
        QTest::addColumn<bool>("onTop");
        QTest::newRow("on top") << true;
        QTest::newRow("stuck to the desktop") << false;
    }
    void placesByTheSetting()
    {
        QFETCH(bool, onTop);
        TestEnvironment environment;
        modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080));
        NotesAlwaysOnTop = onTop;
        const NotePtr note = LoadFromBytes("2880,3255,1500,1500,,Verdana,10,0,0,a");
        QCOMPARE(note->noteIsPinned, !onTop);
        QCOMPARE(note->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        QCOMPARE(note->windowFlags().testFlag(Qt::WindowStaysOnBottomHint), !onTop);
        QVERIFY(note->isVisible());
        const QPoint before = note->pos();
        if (onTop)
            modPinToDesktop::PinAllNotesToDesktop();
        else
            modPinToDesktop::SetAllNotesOnTop();
        QCOMPARE(note->noteIsPinned, onTop);
        QCOMPARE(note->windowFlags().testFlag(Qt::WindowStaysOnTopHint), !onTop);
        QCOMPARE(note->windowFlags().testFlag(Qt::WindowStaysOnBottomHint), onTop);
        QVERIFY(note->isVisible());
        QCOMPARE(note->pos(), before);
    }
};

ZETTLOR_TEST_CLASS(NoteWindowTest)
#include "NoteWindowTest.moc"

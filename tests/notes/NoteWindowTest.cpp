#include "NoteTestSupport.h"
#include "TestRegistry.h"

#include "notes/modPinToDesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <sys/stat.h>

class NoteWindowTest final : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fixture.emplace(); }
    void cleanup() { m_fixture.reset(); }

    // Bad fields keep the initial look; a size of no pixel would hide the note for good.
    void savesBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("saved"); // empty: the same bytes
        const auto row = [](const char *name, const QByteArray &stored, const QByteArray &saved = {}) {
            QTest::newRow(name) << stored << saved;
        };
        row("commas, star, CR LF, colours, UTF-8",
            "2880,3255,15,30,BoldItalic,DejaVu Sans,11,255,-2147483643,a,b,*\r\n*,日本\r\n");
        row("half point size rounds to even", "2880,3255,7200,1440,Italic,Verdana,10.5,-2147483640,0,x",
            "2880,3255,7200,1440,Italic,Verdana,10,-2147483640,0,x");
        row("odd half point size rounds up", "2880,3255,7200,1440,,Verdana,11.5,0,0,x",
            "2880,3255,7200,1440,,Verdana,12,0,0,x");
        row("bad numbers", "x,y,z,w,,,q,r,s,t", "4110,6615,15,15,,Sans Serif,9,12648447,0,t");
        row("zero height, negative width", "0,-3255,15,15,,,,,,t",
            "4110,6615,15,15,,Sans Serif,9,12648447,0,t");
    }
    void savesBackByteForByte()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, saved);
        QVERIFY(ShownNote(stored)->ResaveNote());
        QCOMPARE(Stored(), saved.isEmpty() ? stored : saved);
    }

    // A received note gets its own file; "*" centres it on the primary screen.
    void showsAReceivedNote()
    {
        modFiles::CreateDataFolders();
        const QString fields =
            "2880,3255,%1,%2,Bold,Verdana,12,8454143,255,Buy milk, bread[FROM=127.0.0.2|Desk 2]";
        const winNote *note = modMisc::LoadNote("", "", fields.arg("*", "*"));
        const QSize primary = QGuiApplication::primaryScreen()->size();
        const QRect shown(primary.width() / 2 - 108, primary.height() / 2 - 96, 217, 192);
        QCOMPARE(note->geometry(), shown);
        const QFont font = note->Label2->font();
        const QPalette colours = note->Label2->palette();
        QCOMPARE(QString("%1 %2 %3|%4|%5|%6")
                     .arg(font.family())
                     .arg(font.pointSizeF())
                     .arg(font.bold())
                     .arg(colours.color(QPalette::Window).name(), colours.color(QPalette::WindowText).name(),
                          note->Label2->text()),
                 QString("Verdana 12 1|#ffff80|#ff0000|Buy milk, bread"));
        QCOMPARE(ReadBytes(ActiveFile(note->noteFileName)),
                 fields.arg(shown.x() * 15).arg(shown.y() * 15).toUtf8());
    }

    // A note whose save failed stays unsaved: retried by the timer and at
    // exit; the user hears of it once until a save succeeds again.
    void failedSaveIsRetried()
    {
        winNote::SetSaveDelayForTests(50);
        QStringList alerts;
        modAlerts::SetAlertPresenter([&](const QString &text) { alerts << text; });
        winNote *note = ShownNote("2880,3255,7200,1440,,Verdana,10,0,0,old");
        // A folder in the file's place blocks the write even for root.
        const auto block = [] { return QFile::remove(ActiveFile()) && QDir().mkpath(ActiveFile()); };
        const auto unblock = [] { return QDir(ActiveFile()).removeRecursively(); };
        QVERIFY(block());
        note->Label2->setText("new");
        QVERIFY(!note->ResaveNote());
        QVERIFY(!note->ResaveNote());
        QCOMPARE(alerts.size(), 1);
        QVERIFY2(alerts.first().contains(modFiles::ActiveFolder()), qPrintable(alerts.first()));
        QVERIFY(unblock());
        QTRY_COMPARE(Stored(), QByteArray("2880,3255,7200,1440,,Verdana,10,0,0,new"));
        QVERIFY(block());
        note->Label2->setText("newer");
        QVERIFY(!note->ResaveNote());
        QCOMPARE(alerts.size(), 2);
        QVERIFY(unblock());
        QVERIFY(note->SavePendingChanges());
        QCOMPARE(Stored(), QByteArray("2880,3255,7200,1440,,Verdana,10,0,0,newer"));
    }

    // Only regular files up to 1 MiB that can be read become notes; nothing
    // else can stall start-up or be overwritten by an empty note. A note that
    // is a link is shown, but its save replaces the link, not the target.
    void loadsEveryReadableNote_data()
    {
        QTest::addColumn<QString>("entry"); // what "x.zln" is
        QTest::addColumn<bool>("shown");
        QTest::newRow("link to a note") << "link to a note" << true;
        QTest::newRow("link to a FIFO") << "link to a FIFO" << false;
        QTest::newRow("unreadable") << "link to /proc/self/mem" << false;
        QTest::newRow("larger than 1 MiB") << "large" << false;
    }
    void loadsEveryReadableNote()
    {
        QFETCH(QString, entry);
        modFiles::CreateDataFolders();
        WriteBytes(ActiveFile("a.zln"), "2880,3255,150,150,,Verdana,10,0,0,a");
        WriteBytes(ActiveFile("c.txt"), "not a note");
        const QString target = m_fixture->environment.root() + "/target";
        if (entry == "link to a note")
            WriteBytes(target, "2880,3255,300,300,,Verdana,10,0,0,x");
        if (entry == "link to a FIFO")
            QCOMPARE(mkfifo(qPrintable(target), 0600), 0);
        if (entry.startsWith("link"))
            QVERIFY(QFile::link(entry.startsWith("link to /") ? entry.mid(8) : target, ActiveFile("x.zln")));
        if (entry == "large")
            WriteBytes(ActiveFile("x.zln"), "2880,3255,300,300,,Verdana,10,0,0," + QByteArray(1 << 20, 'x'));
        modMisc::LoadAllNotes();
        QStringList texts;
        for (winNote *note : winNote::AllNotes()) {
            texts << note->Label2->text();
            note->move(40, 30); // a save through the link would show in its target
            QVERIFY(note->ResaveNote());
        }
        texts.sort();
        QFETCH(bool, shown);
        QCOMPARE(texts, shown ? QStringList({"a", "x"}) : QStringList({"a"}));
        if (shown) {
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
        modFiles::CreateDataFolders();
        const QDateTime noteTime = QDateTime::currentDateTime().addSecs(-100);
        const auto writeAt = [](const QString &path, const QByteArray &bytes, const QDateTime &time) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
                   file.setFileTime(time, QFileDevice::FileModificationTime);
        };
        if (!note.isEmpty())
            QVERIFY(writeAt(ActiveFile(), note, noteTime));
        QVERIFY(writeAt(ActiveFile("n.zln.a1B2c3"), stray, noteTime.addSecs(strayAge)));
        modMisc::LoadAllNotes();
        QCOMPARE(QDir(modFiles::ActiveFolder()).entryList(QDir::Files), QStringList{"n.zln"});
        QTEST(Stored(), "kept");
    }

    // A handle names one note for the whole run, even when the next note
    // lives where a closed one did. Closing a note never writes its file.
    void deletesByHandleAndClosesWithoutWriting()
    {
        const auto handle = modMisc::NoteHandle(ShownNote("2880,3255,150,150,,Verdana,10,0,0,a", "gone.zln"));
        modMisc::DeleteNoteWindow(handle);
        QTRY_VERIFY(winNote::AllNotes().isEmpty());
        QVERIFY(!QFile::exists(ActiveFile("gone.zln")));
        winNote *next = ShownNote("2880,3255,150,150,,Verdana,10,0,0,b");
        modMisc::DeleteNoteWindow(handle);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(winNote::AllNotes(), QList<winNote *>{next});
        next->move(400, 400);
        next->close();
        QTRY_VERIFY(winNote::AllNotes().isEmpty());
        QCOMPARE(Stored(), QByteArray("2880,3255,150,150,,Verdana,10,0,0,b"));
    }

    // The dog-ear is cut from the window's own shape, which covers the
    // whole note however large it is.
    void cutsTheTopLeftCorner()
    {
        winNote note;
        note.resize(800, 650);
        note.show();
        const QRegion shape = note.mask();
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                QCOMPARE(shape.contains(QPoint(x, y)), x + y > 8);
        QVERIFY(shape.contains(QPoint(799, 649)));
    }

    void pullsNotesOnScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QPoint>("start"); // twips
        QTest::addColumn<QPoint>("end");   // twips
        const QRect single(0, 0, 1920, 1080), leftMonitor(-1920, 0, 3840, 1080);
        const auto row = [](const char *name, QRect screen, bool pinned, QPoint start, QPoint end) {
            QTest::newRow(name) << screen << pinned << start << end;
        };
        row("3 px from the left", single, false, {45, 1500}, {15, 1500});
        row("past the right, on top", single, false, {28000, 1500}, {25785, 1500});
        row("past the right, pinned", single, true, {28000, 1500}, {25800, 1500});
        row("below the bottom", single, false, {1500, 15000}, {1500, 13185});
        row("left monitor, pinned stays pinned", leftMonitor, true, {-28800, 1500}, {-28785, 1500});
        row("wider than the screen keeps left reachable", {0, 0, 100, 1080}, false, {150, 1500}, {15, 1500});
    }
    void pullsNotesOnScreen()
    {
        QFETCH(QRect, screen);
        QFETCH(bool, pinned);
        QFETCH(QPoint, start);
        modDualMonitors::SetVirtualScreenForTests(screen, screen.left() < 0 ? 2 : 1);
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

private:
    std::optional<NoteFixture> m_fixture;
};

ZETTLOR_TEST_CLASS(NoteWindowTest)
#include "NoteWindowTest.moc"

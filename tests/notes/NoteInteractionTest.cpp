#include "NoteTestSupport.h"
#include "ProgramProcess.h"
#include "TestRegistry.h"

#include "core/ModMain.h"
#include "notes/modDualMonitors.h"
#include "notes/modPinToDesktop.h"
#include "tray/winMenu.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

namespace {

// A pointer move at a widget position with the given buttons held.
void MovePointer(QWidget *widget, QPoint at, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::NoButton, buttons,
                     {});
    QCoreApplication::sendEvent(widget, &move);
}

void DragNote(winNote *note, QPoint from, QPoint to)
{
    QTest::mousePress(note, Qt::LeftButton, {}, from);
    MovePointer(note, to, Qt::LeftButton);
    QTest::mouseRelease(note, Qt::LeftButton, {}, to);
}

void PullGrip(winNote *note, QPoint pull)
{
    QTest::mousePress(note->CornerImage, Qt::LeftButton, {}, QPoint(0, 0));
    MovePointer(note->CornerImage, pull, Qt::LeftButton);
    QTest::mouseRelease(note->CornerImage, Qt::LeftButton, {}, pull);
}

} // namespace

class NoteInteractionTest final : public QObject
{
    Q_OBJECT

private slots:
    void init() { modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080)); }
    void cleanup()
    {
        qDeleteAll(winNote::AllNotes());
        delete winMenu::Instance();
        winNote::SetSaveDelayForTests(0);
        winNote::SetApplicationActiveForTests(std::nullopt);
        modDualMonitors::SetVirtualScreenForTests(std::nullopt);
    }

    // A drag ends when the left button goes up, also where the note cannot
    // see the release; the note is then pulled on screen and saved 2 s later.
    void dragEndsWhenTheLeftButtonIsUp_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("release") << "release";
        QTest::newRow("chord on the surface: the note menu takes the release") << "chord";
        QTest::newRow("chord on the label") << "label chord";
        QTest::newRow("release never arrives") << "lost";
    }
    void dragEndsWhenTheLeftButtonIsUp()
    {
        QFETCH(QString, ending);
        TestEnvironment environment;
        winNote::SetSaveDelayForTests(50);
        winMenu *menu = winMenu::Create();
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        QWidget *grabbed = ending == "label chord" ? static_cast<QWidget *>(note->Label2) : note;
        QTest::mousePress(grabbed, Qt::LeftButton, {}, QPoint(20, 20));
        MovePointer(grabbed, QPoint(-100, 30), Qt::LeftButton);
        if (ending == "release")
            QTest::mouseRelease(grabbed, Qt::LeftButton, {}, QPoint(-100, 30));
        if (ending.endsWith("chord")) {
            QTest::mousePress(grabbed, Qt::RightButton, {}, QPoint(-100, 30));
            QVERIFY(menu->NoteMenu->isVisible());
            menu->NoteMenu->hide();
        }
        MovePointer(grabbed, QPoint(200, 200));
        QCOMPARE(note->pos(), QPoint(1, 110));
        QCOMPARE(Stored(), QByteArray("2880,3255,1500,1500,,Verdana,10,0,0,x"));
        QTRY_COMPARE(Stored(), QByteArray("2880,3255,15,1650,,Verdana,10,0,0,x"));
        QTest::mouseRelease(grabbed, Qt::LeftButton);
        QTest::mouseRelease(grabbed, Qt::RightButton);
    }

    void exitSavesWhatIsPending_data()
    {
        QTest::addColumn<bool>("typing");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("moved 1 s before") << false << QByteArray("2880,3255,1950,1800,,Verdana,10,0,0,x");
        QTest::newRow("typing in place") << true << QByteArray("2880,3255,1500,1500,,Verdana,10,0,0,x!");
    }
    void exitSavesWhatIsPending()
    {
        QFETCH(bool, typing);
        TestEnvironment environment;
        winMenu::Create();
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        if (typing) {
            note->EnterQuickEditMode();
            QTest::keyClicks(note->Text1, "!");
        } else {
            DragNote(note, QPoint(100, 100), QPoint(130, 120));
            QTest::qWait(1000);
        }
        ModMain::ExitProgram();
        QTEST(Stored(), "expected");
    }

    void terminationEndsCleanly()
    {
        TestEnvironment environment;
        QProcessEnvironment variables = environment.processEnvironment();
        variables.insert("ZETTLOR_DIALOG_LOG", environment.root() + "/dialogs.log");
        variables.insert("QT_LOGGING_RULES", "zettlor.core.info=true");
        ProgramProcess program(variables);
        QVERIFY(program.start({"--address", "127.0.0.20", "--port", "21200"}));
        QVERIFY(ProgramProcess::waitFor([&] { return program.errorOutput().contains("started;"); }));
        program.stop();
        // Killed by the signal it would be a crash exit (-1).
        QCOMPARE(program.waitForExit(), 0);
    }

    void gripResizesWithinLimits_data()
    {
        QTest::addColumn<QPoint>("pull");
        QTest::addColumn<QSize>("size"); // twips
        QTest::newRow("grow") << QPoint(20, 10) << QSize(3555, 3030);
        QTest::newRow("shrink to the minimum width") << QPoint(-200, 0) << QSize(2550, 2880);
        QTest::newRow("beyond the maximum") << QPoint(900, 900) << QSize(9000, 9000);
    }
    void gripResizesWithinLimits()
    {
        QFETCH(QPoint, pull);
        TestEnvironment environment;
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        PullGrip(note, pull);
        QTEST(QSize(int(note->WidthTwips()), int(note->HeightTwips())), "size");
        QVERIFY(note->SaveTimer->isActive());
    }

    void pinnedNoteIsRepinnedAfterResize()
    {
        TestEnvironment environment;
        modDualMonitors::SetVirtualScreenForTests(QRect(-1280, 0, 3200, 1080));
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        modPinToDesktop::PinNoteToDesktop(note);
        QTest::mousePress(note->CornerImage, Qt::LeftButton, {}, QPoint(0, 0));
        QVERIFY(!note->noteIsPinned);
        QTest::mouseRelease(note->CornerImage, Qt::LeftButton, {}, QPoint(0, 0));
        QVERIFY(note->noteIsPinned);
    }

    void quickEditFollowsTheText()
    {
        TestEnvironment environment;
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,short");
        const float width = note->WidthTwips();
        QTest::mouseDClick(note->Label2, Qt::LeftButton);
        QVERIFY(note->IsInQuickEditMode() && note->Text1->isVisible() && !note->Label2->isVisible());
        QTest::keyClicks(note->Text1, QString(" and a much longer text").repeated(20));
        QTRY_VERIFY(note->HeightTwips() > 3000);
        QVERIFY(note->HeightTwips() <= winNote::MaximumSize);
        note->Text1->setPlainText("one line");
        QTRY_VERIFY(note->HeightTwips() < 1500);
        QCOMPARE(note->WidthTwips(), width);
    }

    void quickEditEndsOnlyWhenArmedAndAway_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("ends");
        QTest::newRow("double-click") << "double-click" << true;
        QTest::newRow("menu, untouched") << "menu" << false;
        QTest::newRow("menu, then a key") << "menu+key" << true;
        QTest::newRow("menu, then a click in the box") << "menu+click" << true;
    }
    void quickEditEndsOnlyWhenArmedAndAway()
    {
        QFETCH(QString, entry);
        TestEnvironment environment;
        winNote::SetSaveDelayForTests(50);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,a\r\nb");
        const float width = note->WidthTwips();
        if (entry == "double-click")
            QTest::mouseDClick(note->Label2, Qt::LeftButton);
        else
            note->EnterQuickEditMode();
        if (entry == "menu+key")
            QTest::keyClick(note->Text1, Qt::Key_End);
        if (entry == "menu+click")
            QTest::mouseClick(note->Text1->viewport(), Qt::LeftButton);
        MovePointer(note, QPoint(2, 2));
        QTest::qWait(250);
        QVERIFY2(note->IsInQuickEditMode(), "ours is still the active application");
        winNote::SetApplicationActiveForTests(false);
        QFETCH(bool, ends);
        if (!ends) {
            QTest::qWait(250);
            QVERIFY(note->IsInQuickEditMode());
            return;
        }
        QTRY_VERIFY(!note->IsInQuickEditMode());
        QVERIFY(note->Label2->isVisible() && !note->Text1->isVisible());
        QCOMPARE(note->WidthTwips(), width);
        QTRY_VERIFY(!note->HasPendingSave());
        QVERIFY(Stored().endsWith(",a\r\nb"));
    }

    // A crash while typing in place loses nothing older than the save delay.
    void typingInPlaceIsSavedAndEscapeEnds()
    {
        TestEnvironment environment;
        winNote::SetSaveDelayForTests(50);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        QTest::mouseDClick(note->Label2, Qt::LeftButton);
        QTest::keyClicks(note->Text1, QString(" and more").repeated(12));
        QTRY_VERIFY(Stored().endsWith(",x" + QString(" and more").repeated(12).toUtf8()));
        QVERIFY(note->IsInQuickEditMode());
        const QByteArray savedWhileTyping = Stored();
        QTest::keyClick(note->Text1, Qt::Key_Escape);
        QVERIFY(!note->IsInQuickEditMode() && note->Label2->isVisible());
        QTRY_VERIFY(!note->HasPendingSave());
        QCOMPARE(Stored(), savedWhileTyping);
    }

    void gripPressLeavesQuickEditOnce()
    {
        TestEnvironment environment;
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        QTest::mouseDClick(note->Label2, Qt::LeftButton);
        MovePointer(note, QPoint(2, 2));
        QVERIFY(note->QuickEditTimer->isActive());
        QTest::mousePress(note->CornerImage, Qt::LeftButton, {}, QPoint(0, 0));
        QVERIFY(!note->IsInQuickEditMode());
        QVERIFY(!note->QuickEditTimer->isActive());
    }

    void menuCaptions_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QString>("placeCaption");
        QTest::addColumn<bool>("canReply");
        QTest::newRow("pinned, made here")
            << QByteArray("2880,3255,1500,1500,,V,10,0,0,x") << true << "Set to On Top" << false;
        QTest::newRow("on top, received") << QByteArray("2880,3255,1500,1500,,V,10,0,0,x[FROM=127.0.0.2|B]")
                                          << false << "Stick to Desktop" << true;
    }
    void menuCaptions()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, pinned);
        TestEnvironment environment;
        winMenu *menu = winMenu::Create();
        winNote *note = ShownNote(stored);
        if (pinned)
            modPinToDesktop::PinNoteToDesktop(note);
        else
            modPinToDesktop::UnpinNote(note);
        note->ShowNoteMenu(QPoint(10, 10));
        QTEST(menu->SetNoteToTop->text(), "placeCaption");
        QTEST(menu->ReplyToSender->isVisible(), "canReply");
        QCOMPARE(menu->tag, QString::number(modMisc::NoteHandle(note)));
        QCOMPARE(menu->NoteMenu->defaultAction(), menu->EditNote);
        menu->NoteMenu->hide();
    }
};

ZETTLOR_TEST_CLASS(NoteInteractionTest)
#include "NoteInteractionTest.moc"

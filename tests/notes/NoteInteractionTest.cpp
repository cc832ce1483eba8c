#include "NoteTestSupport.h"
#include "TestRegistry.h"

#include "core/ModMain.h"
#include "notes/modPinToDesktop.h"

#include <QMenu>
#include <QTextEdit>
#include <QTimer>

namespace {

// A pointer move at a widget position with the given buttons held.
void MovePointer(QWidget *widget, QPoint at, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::NoButton, buttons,
                     {});
    QCoreApplication::sendEvent(widget, &move);
}

} // namespace

class NoteInteractionTest final : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fixture.emplace(); }
    void cleanup() { m_fixture.reset(); }

    // A drag ends when the left button goes up, also where the note cannot
    // see the release; the note is then pulled on screen and saved 2 s later
    // or when the program ends before.
    void dragEndsWhenTheLeftButtonIsUp_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("chord on the surface: the note menu takes the release") << "chord";
        QTest::newRow("chord on the label") << "label chord";
        QTest::newRow("release never arrives") << "lost";
    }
    void dragEndsWhenTheLeftButtonIsUp()
    {
        QFETCH(QString, ending);
        winMenu *menu = winMenu::Create();
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        QWidget *grabbed = ending == "label chord" ? static_cast<QWidget *>(note->Label2) : note;
        QTest::mousePress(grabbed, Qt::LeftButton, {}, QPoint(20, 20));
        MovePointer(grabbed, QPoint(-100, 30), Qt::LeftButton);
        if (ending.endsWith("chord")) {
            QTest::mousePress(grabbed, Qt::RightButton, {}, QPoint(-100, 30));
            QVERIFY(menu->NoteMenu->isVisible());
            menu->NoteMenu->hide();
        }
        MovePointer(grabbed, QPoint(200, 200));
        QCOMPARE(note->pos(), QPoint(1, 110));
        QTest::mouseRelease(grabbed, Qt::LeftButton);
        QTest::mouseRelease(grabbed, Qt::RightButton);
        ModMain::ExitProgram();
        QCOMPARE(Stored(), QByteArray("2880,3255,15,1650,,Verdana,10,0,0,x"));
    }

    // A pinned note left of the primary screen is unpinned while it is
    // resized and pinned again after.
    void gripResizesWithinLimits_data()
    {
        QTest::addColumn<QPoint>("pull");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QByteArray>("saved");
        const auto row = [](const char *name, QPoint pull, bool pinned, const char *size) {
            QTest::newRow(name) << pull << pinned << QByteArray(size) + ",1500,1500,,Verdana,10,0,0,x";
        };
        row("shrink to the minimum width", {-200, 0}, false, "2880,2550");
        row("beyond the maximum", {900, 900}, false, "9000,9000");
        row("pinned", {20, 10}, true, "3030,3555");
    }
    void gripResizesWithinLimits()
    {
        QFETCH(QPoint, pull);
        QFETCH(bool, pinned);
        modDualMonitors::SetVirtualScreenForTests(QRect(-1280, 0, 3200, 1080));
        winNote::SetSaveDelayForTests(50);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        pinned ? modPinToDesktop::PinNoteToDesktop(note) : modPinToDesktop::UnpinNote(note);
        QTest::mousePress(note->CornerImage, Qt::LeftButton, {}, QPoint(0, 0));
        QVERIFY(!note->noteIsPinned);
        MovePointer(note->CornerImage, pull, Qt::LeftButton);
        QTest::mouseRelease(note->CornerImage, Qt::LeftButton, {}, pull);
        QCOMPARE(note->noteIsPinned, pinned);
        QFETCH(QByteArray, saved);
        QTRY_COMPARE(Stored(), saved);
    }

    // Text typed in place is saved while typing (a crash loses nothing older
    // than the save delay) and when the program ends; the note follows the
    // text's height and keeps its width.
    void quickEditFollowsAndSavesTheText()
    {
        winNote::SetSaveDelayForTests(50);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        const float width = note->WidthTwips();
        QTest::mouseDClick(note->Label2, Qt::LeftButton);
        const QString typed = QString(" and a much longer text").repeated(20);
        QTest::keyClicks(note->Text1, typed);
        QTRY_VERIFY(Stored().endsWith(",x" + typed.toUtf8()));
        QTRY_VERIFY(note->HeightTwips() > 3000);
        QVERIFY(note->HeightTwips() <= winNote::MaximumSize);
        note->Text1->setPlainText("one line");
        QTRY_VERIFY(note->HeightTwips() < 1500);
        QCOMPARE(note->WidthTwips(), width);
        winNote::SetSaveDelayForTests(0);
        QTest::keyClick(note->Text1, Qt::Key_End);
        QTest::keyClicks(note->Text1, "!");
        ModMain::ExitProgram();
        QVERIFY(Stored().endsWith(",one line!"));
    }

    // Quick edit ends once the box was touched, the pointer is away and
    // another program comes to the front, or at once by Escape or a press on
    // the grip; each way out also stops the check for that program.
    void quickEditEnds_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("exit");
        QTest::addColumn<bool>("ends");
        QTest::newRow("double-click") << "double-click"
                                      << "away" << true;
        QTest::newRow("menu, untouched") << "menu"
                                         << "away" << false;
        QTest::newRow("menu, then a key") << "menu+key"
                                          << "away" << true;
        QTest::newRow("Escape") << "menu"
                                << "Escape" << true;
        QTest::newRow("grip press") << "double-click"
                                    << "grip" << true;
    }
    void quickEditEnds()
    {
        QFETCH(QString, entry);
        QFETCH(QString, exit);
        winNote::SetSaveDelayForTests(50);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,a\r\nb");
        const float width = note->WidthTwips();
        if (entry == "double-click")
            QTest::mouseDClick(note->Label2, Qt::LeftButton);
        else
            note->EnterQuickEditMode();
        if (entry == "menu+key")
            QTest::keyClick(note->Text1, Qt::Key_End);
        MovePointer(note, QPoint(2, 2));
        if (exit == "Escape")
            QTest::keyClick(note->Text1, Qt::Key_Escape);
        if (exit == "grip")
            QTest::mousePress(note->CornerImage, Qt::LeftButton, {}, QPoint(0, 0));
        if (exit == "away") {
            QTest::qWait(250);
            QVERIFY2(note->IsInQuickEditMode(), "ours is still the active application");
            winNote::SetApplicationActiveForTests(false);
        }
        QFETCH(bool, ends);
        if (!ends) {
            QTest::qWait(250);
            QVERIFY(note->IsInQuickEditMode());
            return;
        }
        QTRY_VERIFY(!note->IsInQuickEditMode());
        QVERIFY(note->Label2->isVisible() && !note->Text1->isVisible() && !note->QuickEditTimer->isActive());
        QCOMPARE(note->WidthTwips(), width);
        QTRY_VERIFY(!note->HasPendingSave());
        QVERIFY(Stored().endsWith(",a\r\nb"));
    }

private:
    std::optional<NoteFixture> m_fixture;
};

ZETTLOR_TEST_CLASS(NoteInteractionTest)
#include "NoteInteractionTest.moc"

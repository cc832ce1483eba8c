#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modFiles.h"
#include "notes/modDualMonitors.h"
#include "notes/modMisc.h"
#include "notes/modPinToDesktop.h"
#include "notes/winNote.h"
#include "tray/winMenu.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace {

winNote *ShownNote(const QByteArray &bytes)
{
    modFiles::CreateDataFolders();
    WriteBytes(modFiles::ActiveFolder() + "/n.zln", bytes);
    winNote *note = modMisc::LoadNote(modFiles::ActiveFolder() + "/n.zln", "n.zln", QString());
    return QTest::qWaitForWindowExposed(note) ? note : note;
}

QByteArray Stored() { return ReadBytes(modFiles::ActiveFolder() + "/n.zln"); }

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
        modDualMonitors::SetVirtualScreenForTests(std::nullopt);
    }

    void dragMovesAndSavesLater()
    {
        TestEnvironment environment;
        winNote::SetSaveDelayForTests(50);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,drag me");
        QTest::mousePress(note, Qt::LeftButton, {}, QPoint(100, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(130, 120), note->mapToGlobal(QPointF(130, 120)), Qt::NoButton,
                         Qt::LeftButton, {});
        QCoreApplication::sendEvent(note, &move);
        QTest::mouseRelease(note, Qt::LeftButton, {}, QPoint(130, 120));
        QCOMPARE(note->pos(), QPoint(130, 120));
        QVERIFY(note->SaveTimer->isActive());
        QCOMPARE(Stored(), QByteArray("2880,3255,1500,1500,,Verdana,10,0,0,drag me"));
        QTRY_COMPARE(Stored(), QByteArray("2880,3255,1950,1800,,Verdana,10,0,0,drag me"));
    }

    void exitSavesAPendingMove()
    {
        TestEnvironment environment;
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        note->move(200, 200);
        note->SaveTimer->start();
        QVERIFY(note->SavePendingChanges());
        QCOMPARE(Stored(), QByteArray("2880,3255,3000,3000,,Verdana,10,0,0,x"));
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
        QTest::mousePress(note->CornerImage, Qt::LeftButton, {}, QPoint(0, 0));
        QMouseEvent move(QEvent::MouseMove, QPointF(pull), note->CornerImage->mapToGlobal(QPointF(pull)),
                         Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(note->CornerImage, &move);
        QTest::mouseRelease(note->CornerImage, Qt::LeftButton, {}, pull);
        QTEST(QSize(int(note->WidthTwips()), int(note->HeightTwips())), "size");
        QVERIFY(note->SaveTimer->isActive());
    }

    void menuCaptions_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QString>("placeCaption");
        QTest::addColumn<bool>("canReply");
        QTest::newRow("pinned, made here") << QByteArray("2880,3255,1500,1500,,V,10,0,0,x") << true << "Set to On Top" << false;
        QTest::newRow("on top, received") << QByteArray("2880,3255,1500,1500,,V,10,0,0,x[FROM=127.0.0.2|B]") << false << "Stick to Desktop" << true;
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

#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "notes/winNote.h"
#include "tray/modTrayCommands.h"
#include "tray/winMenu.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>

using modTrayCommands::TrayAction;
using Notification = winMenu::TrayNotification;

class TrayClickTest final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { delete winMenu::Instance(); }

    void actionTextsMatchExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TrayAction>("action");
        QTest::newRow("create") << "Create Note" << TrayAction::CreateNote;
        QTest::newRow("contacts") << "Open Zettlor Contacts" << TrayAction::OpenContacts;
        QTest::newRow("archive") << "Open Zettlor Note Archive" << TrayAction::OpenNoteArchive;
        QTest::newRow("toggle") << "Hide/Show Notes" << TrayAction::ToggleNotes;
        QTest::newRow("options") << "Open Zettlor Options" << TrayAction::OpenOptions;
        QTest::newRow("visit") << "Visit Vantrel" << TrayAction::VisitMaker;
        QTest::newRow("no action") << "No Action" << TrayAction::None;
        QTest::newRow("case differs") << "create note" << TrayAction::None;
        QTest::newRow("trailing blank") << "Create Note " << TrayAction::None;
        QTest::newRow("menu caption is no action") << "Hide All Notes" << TrayAction::None;
    }
    void actionTextsMatchExactly()
    {
        QFETCH(QString, text);
        QFETCH(TrayAction, action);
        QCOMPARE(modTrayCommands::ActionFor(text), action);
    }

    // Each step: "down", "double", "middle", or "settle" (let Timer1 run out).
    void clicksRunTheRightAction_data()
    {
        QTest::addColumn<QString>("singleAction");
        QTest::addColumn<QString>("doubleAction");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("hidden");
        const QString toggle = "Hide/Show Notes", none = "No Action";
        QTest::newRow("single click, single action") << toggle << none << QStringList{"down"} << true;
        QTest::newRow("double click, double action only")
            << none << toggle << QStringList{"down", "double"} << true;
        QTest::newRow("double click cancels single")
            << toggle << none << QStringList{"down", "double"} << false;
        QTest::newRow("second press within the wait")
            << toggle << none << QStringList{"down", "down"} << true;
        QTest::newRow("slow double click is single")
            << none << toggle << QStringList{"down", "settle", "double"} << false;
        QTest::newRow("slow double click runs single once")
            << toggle << toggle << QStringList{"down", "settle", "double"} << true;
        QTest::newRow("two separate clicks")
            << toggle << none << QStringList{"down", "settle", "down"} << false;
        QTest::newRow("middle click, double action") << none << toggle << QStringList{"middle"} << true;
        QTest::newRow("middle click cancels pending")
            << toggle << none << QStringList{"down", "middle"} << false;
        QTest::newRow("unknown action does nothing")
            << "Hide All Notes"
            << "hide/show notes" << QStringList{"down", "double", "down"} << false;
    }
    void clicksRunTheRightAction()
    {
        QFETCH(QString, singleAction);
        QFETCH(QString, doubleAction);
        QFETCH(QStringList, steps);
        QFETCH(bool, hidden);
        TestEnvironment environment;
        SingleClickAction = singleAction;
        DoubleClickAction = doubleAction;
        winMenu *menu = winMenu::Create();
        const QHash<QString, Notification> codes{{"down", Notification::LeftButtonDown},
                                                 {"double", Notification::LeftButtonDoubleClick},
                                                 {"middle", Notification::MiddleClick}};
        for (const QString &step : steps) {
            if (step == "settle")
                QTRY_VERIFY(!menu->Timer1->isActive());
            else
                menu->TrayIcon_Notify(codes.value(step), {});
        }
        QTRY_VERIFY(!menu->Timer1->isActive());
        QCOMPARE(menu->HideAllNotes->text(), QString(hidden ? "Show All Notes" : "Hide All Notes"));
    }

    void pressWaitsTwoHundredMillisecondsRightClickOpensMenu()
    {
        TestEnvironment environment;
        winMenu *menu = winMenu::Create();
        menu->TrayIcon_Notify(Notification::RightButtonDown, QPoint(100, 100));
        QTRY_VERIFY(menu->TrayMenu->isVisible());
        QCOMPARE(menu->TrayMenu->defaultAction(), menu->Options);
        QVERIFY(!menu->Timer1->isActive());
        menu->TrayMenu->hide();
        menu->TrayIcon_Notify(Notification::LeftButtonDown, {});
        QVERIFY(menu->Timer1->isActive());
        QCOMPARE(menu->Timer1->interval(), 200);
    }

    void toggleHidesAndShowsOnlyNotes()
    {
        TestEnvironment environment;
        winMenu *menu = winMenu::Create();
        winNote first, second;
        QWidget otherWindow;
        for (QWidget *window :
             {static_cast<QWidget *>(&first), static_cast<QWidget *>(&second), &otherWindow})
            window->show();
        modTrayCommands::ToggleAllNotes();
        QCOMPARE(menu->HideAllNotes->text(), QString("Show All Notes"));
        QVERIFY(!first.isVisible() && !second.isVisible());
        QVERIFY(otherWindow.isVisible());
        // A note that arrives while the others are hidden is shown with them.
        winNote arrived;
        arrived.show();
        menu->HideAllNotes->trigger();
        QCOMPARE(menu->HideAllNotes->text(), QString("Hide All Notes"));
        QVERIFY(first.isVisible() && second.isVisible() && arrived.isVisible());
        QVERIFY(otherWindow.isVisible());
    }
};

ZETTLOR_TEST_CLASS(TrayClickTest)
#include "TrayClickTest.moc"

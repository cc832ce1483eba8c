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

namespace {

const QString kToggle = QStringLiteral("Hide/Show Notes");

bool NotesHidden()
{
    return winMenu::Instance()->HideAllNotes->text() == QLatin1String("Show All Notes");
}

} // namespace

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
        QTest::newRow("empty") << "" << TrayAction::None;
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
        QTest::newRow("single click runs the single action")
            << kToggle << "No Action" << QStringList{"down"} << true;
        QTest::newRow("double click runs only the double action")
            << "No Action" << kToggle << QStringList{"down", "double"} << true;
        QTest::newRow("double click cancels the single action")
            << kToggle << "No Action" << QStringList{"down", "double"} << false;
        QTest::newRow("a second press within the wait is one click")
            << kToggle << "No Action" << QStringList{"down", "down"} << true;
        QTest::newRow("slow double click is a single click")
            << "No Action" << kToggle << QStringList{"down", "settle", "double"} << false;
        QTest::newRow("slow double click runs the single action once")
            << kToggle << kToggle << QStringList{"down", "settle", "double"} << true;
        QTest::newRow("two separate clicks run it twice")
            << kToggle << "No Action" << QStringList{"down", "settle", "down"} << false;
        QTest::newRow("middle click is the double action")
            << "No Action" << kToggle << QStringList{"middle"} << true;
        QTest::newRow("middle click cancels a pending click")
            << kToggle << "No Action" << QStringList{"down", "middle"} << false;
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
        for (const QString &step : steps) {
            if (step == "settle")
                QTRY_VERIFY(!menu->Timer1->isActive());
            else if (step == "down")
                menu->TrayIcon_Notify(Notification::LeftButtonDown, {});
            else if (step == "double")
                menu->TrayIcon_Notify(Notification::LeftButtonDoubleClick, {});
            else
                menu->TrayIcon_Notify(Notification::MiddleClick, {});
        }
        QTRY_VERIFY(!menu->Timer1->isActive());
        QCOMPARE(NotesHidden(), hidden);
    }

    void clickTimerWaitsTwoHundredMilliseconds()
    {
        TestEnvironment environment;
        winMenu *menu = winMenu::Create();
        QVERIFY(!menu->Timer1->isActive());
        menu->TrayIcon_Notify(Notification::LeftButtonDown, {});
        QVERIFY(menu->Timer1->isActive());
        QCOMPARE(menu->Timer1->interval(), 200);
    }

    void rightClickOpensTheTrayMenu()
    {
        TestEnvironment environment;
        winMenu *menu = winMenu::Create();
        menu->TrayIcon_Notify(Notification::RightButtonDown, QPoint(100, 100));
        QTRY_VERIFY(menu->TrayMenu->isVisible());
        QCOMPARE(menu->TrayMenu->defaultAction(), menu->Options);
        QVERIFY(!menu->Timer1->isActive());
        menu->TrayMenu->hide();
    }

    void toggleHidesAndShowsOnlyNotes()
    {
        TestEnvironment environment;
        winMenu *menu = winMenu::Create();
        winNote first;
        winNote second;
        QWidget otherWindow;
        for (QWidget *window :
             {static_cast<QWidget *>(&first), static_cast<QWidget *>(&second), &otherWindow})
            window->show();

        modTrayCommands::ToggleAllNotes();
        QCOMPARE(menu->HideAllNotes->text(), QString("Show All Notes"));
        QVERIFY(!first.isVisible());
        QVERIFY(!second.isVisible());
        QVERIFY(otherWindow.isVisible());

        // A note that arrives while the others are hidden is shown with them.
        winNote arrived;
        arrived.show();
        modTrayCommands::ToggleAllNotes();
        QCOMPARE(menu->HideAllNotes->text(), QString("Hide All Notes"));
        QVERIFY(first.isVisible());
        QVERIFY(second.isVisible());
        QVERIFY(arrived.isVisible());
        QVERIFY(otherWindow.isVisible());
    }

    void menuItemTogglesNotes()
    {
        TestEnvironment environment;
        winMenu *menu = winMenu::Create();
        winNote note;
        note.show();
        menu->HideAllNotes->trigger();
        QVERIFY(!note.isVisible());
        menu->HideAllNotes->trigger();
        QVERIFY(note.isVisible());
    }

    void hideFormAndWaitReturnsHidden()
    {
        TestEnvironment environment;
        QWidget dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        modTrayCommands::HideFormAndWait(&dialog);
        QVERIFY(!dialog.isVisible());
        modTrayCommands::HideFormAndWait(nullptr);
    }
};

ZETTLOR_TEST_CLASS(TrayClickTest)
#include "TrayClickTest.moc"

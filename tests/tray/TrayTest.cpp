#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "core/Globals.h"
#include "notes/winNote.h"
#include "tray/modTrayIcon.h"
#include "tray/winMenu.h"
#include "tray/winTrayControl.h"

#include <QDBusConnection>
#include <QMenu>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sched.h>
#include <unistd.h>

namespace {

// A StatusNotifierWatcher as a panel that draws StatusNotifierItems offers
// it; its host may register after it and leave before it.
class StatusNotifierWatcher final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)

public:
    QStringList items;
    bool hostRegistered = false;
    int questions = 0; // the program subscribes before it asks
    bool IsStatusNotifierHostRegistered()
    {
        ++questions;
        return hostRegistered;
    }

signals:
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

public slots:
    void RegisterStatusNotifierItem(const QString &service) { items << service; }
};

} // namespace

class TrayTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;

private slots:
    void init() { m_environment.emplace(); }
    void cleanup()
    {
        modTrayIcon::RemoveTrayIcon();
        delete winMenu::Instance();
        m_environment.reset();
    }

    // Clicks on the control window ("settle" lets a pending single click run)
    // with both actions the toggle: it runs once, a right click opens the menu.
    void clicksRunOneAction_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::newRow("double click cancels single") << "click dclick";
        QTest::newRow("slow double click runs single only") << "click settle dclick";
        QTest::newRow("middle click: double action instead") << "click mclick";
        QTest::newRow("right click opens the menu") << "rclick";
    }
    void clicksRunOneAction()
    {
        QFETCH(QString, steps);
        SingleClickAction = DoubleClickAction = "Hide/Show Notes";
        winMenu *menu = winMenu::Create();
        modTrayIcon::AddTrayIcon(); // offscreen, the control window stands in for the icon
        auto *control = menu->findChild<winTrayControl *>();
        for (const QString &step : steps.split(' ')) {
            if (step == "settle")
                QTRY_VERIFY(!menu->Timer1->isActive());
            else if (step == "dclick")
                QTest::mouseDClick(control, Qt::LeftButton); // after "click": the second press
            else
                QTest::mouseClick(control, step == "mclick"   ? Qt::MiddleButton
                                           : step == "rclick" ? Qt::RightButton
                                                              : Qt::LeftButton);
        }
        QTRY_VERIFY(!menu->Timer1->isActive());
        QCOMPARE(menu->HideAllNotes->text() == "Show All Notes", steps != "rclick");
        QTRY_COMPARE(menu->TrayMenu->isVisible(), steps == "rclick");
    }

    // Only notes hide; a note arriving meanwhile comes back with the others.
    void toggleHidesAndShowsOnlyNotes()
    {
        winMenu *menu = winMenu::Create();
        winNote note, arrived;
        QWidget otherWindow;
        note.show();
        otherWindow.show();
        menu->HideAllNotes->trigger();
        QVERIFY(!note.isVisible() && otherWindow.isVisible());
        arrived.show();
        menu->HideAllNotes->trigger();
        QVERIFY(note.isVisible() && arrived.isVisible());
    }

    // A file that holds no picture gives the program's icon, not an empty one.
    void trayPictureFallsBackToTheProgramIcon()
    {
        const QString file = m_environment->root() + "/tray.png";
        WriteBytes(file, "\x89PNG\r\n\x1a\n"); // cut short
        QCOMPARE(winMenu::TrayPicture(file).pixmap(32).toImage(),
                 winMenu::ProgramIcon().pixmap(32).toImage());
    }

    // Without a gateway the tooltip names the address the datagrams carry.
    void toolTipNamesTheAddressWithoutAGateway()
    {
        if (geteuid() != 0)
            QSKIP("a network of its own needs root");
        const int home = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        QVERIFY(home >= 0 && unshare(CLONE_NEWNET) == 0);
        const auto backHome = qScopeGuard([home] { setns(home, CLONE_NEWNET), close(home); });
        QCOMPARE(std::system("ip addr add 10.9.8.7/32 dev lo && ip link set lo up"), 0);
        winMenu *menu = winMenu::Create();
        modTrayIcon::AddTrayIcon();
        QCOMPARE(menu->findChild<winTrayControl *>()->toolTip(), "Zettlor (10.9.8.7)");
    }

    // A second start shows where the program is, adding the icon first. A peer's markup in a
    // balloon is shown as written, never followed: an <img> would be read.
    void balloonsShowWhereAndTextAsWritten()
    {
        winMenu *menu = winMenu::Create();
        modTrayIcon::AnswerSecondStart();
        winTrayControl *control = menu->findChild<winTrayControl *>();
        QVERIFY(control->Balloon->isVisible());
        const QString text = "A new note has been received from <img src=x.png> & co (10.0.0.1)";
        modTrayIcon::ShowTrayBalloon(text);
        QCOMPARE(ShownToolTip(control->toolTip()), text);
    }

    // A StatusNotifierItem panel that starts after the program (the usual race
    // at login) gets the icon; when it leaves, the control window comes back.
    void iconMovesToALateStatusNotifierHost()
    {
        PrivateDisplay display(PrivateDisplay::Tray::None);
        // A private session bus; it ends with the test, also when a check fails.
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        ProgramProcess::waitFor(
            [&] { return daemon.canReadLine() || daemon.state() == QProcess::NotRunning; });
        const QString address = QString::fromLatin1(daemon.readLine()).trimmed();
        const auto endBus = qScopeGuard([&] {
            QDBusConnection::disconnectFromBus(address);
            EndProcess(daemon);
        });
        if (!display.problem().isEmpty() || address.isEmpty())
            QSKIP(qPrintable("needs a private X display and D-Bus: " + display.problem() +
                             (address.isEmpty() ? "dbus-daemon gave no bus" : "")));
        QProcessEnvironment variables = ProgramEnvironment(*m_environment, display);
        variables.insert("DBUS_SESSION_BUS_ADDRESS", address);
        ProgramProcess program(variables);
        QVERIFY(program.start({"--address", "127.0.0.36", "--port", "21351"}));
        // With no note, the control window is the program's only window.
        const auto standIn = [&] { return !display.windowsOf(program.process().processId()).isEmpty(); };
        QVERIFY(ProgramProcess::waitFor(standIn));
        StatusNotifierWatcher watcher;
        QDBusConnection bus = QDBusConnection::connectToBus(address, address);
        QVERIFY(bus.registerObject("/StatusNotifierWatcher", &watcher, QDBusConnection::ExportAllContents));
        QVERIFY(bus.registerService("org.kde.StatusNotifierWatcher"));
        QVERIFY(ProgramProcess::waitFor([&] { return watcher.questions > 0; }));
        watcher.hostRegistered = true;
        emit watcher.StatusNotifierHostRegistered();
        QVERIFY(ProgramProcess::waitFor([&] { return !watcher.items.isEmpty() && !standIn(); }, 5000));
        watcher.hostRegistered = false;
        emit watcher.StatusNotifierHostUnregistered();
        QVERIFY(ProgramProcess::waitFor(standIn, 5000));
    }
};

ZETTLOR_TEST_CLASS(TrayTest)
#include "TrayTest.moc"

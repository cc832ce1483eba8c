#include "PrivateBus.h"
#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modText.h"
#include "notes/winNote.h"
#include "tray/modTrayCommands.h"
#include "tray/modTrayIcon.h"
#include "tray/winMenu.h"
#include "tray/winTrayControl.h"

#include <QAction>
#include <QBuffer>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <optional>

namespace {

// Offscreen there is no tray, so the control window stands in for the icon.
winTrayControl *StandIn()
{
    modTrayIcon::AddTrayIcon();
    return winMenu::Instance()->findChild<winTrayControl *>(QStringLiteral("winTrayControl"));
}

// The tray menu as the user reads it, "-" for a separator.
const QStringList kTrayMenu{"Options",
                            "-",
                            "Create Note...",
                            "Contacts",
                            "Hide All Notes",
                            "-",
                            "Note Archive",
                            "-",
                            "About Zettlor",
                            "Help",
                            "Check for New Version",
                            "-",
                            "Visit Vantrel",
                            "Support Zettlor",
                            "-",
                            "Exit"};

// One caption per menu entry, "-" for a separator, the default one in bold.
QStringList Entries(const QMenu *menu)
{
    QStringList entries;
    for (const QAction *action : menu->actions())
        entries << (action->isSeparator() ? "-" : action->text()) + (action->font().bold() ? " (bold)" : "");
    return entries;
}

// The control window that stands in for the icon, near the screen's bottom-right corner.
bool StandInShown(const PrivateDisplay &display, ProgramProcess &program)
{
    const QMap<qulonglong, QRect> shown = display.windowsOf(program.process().processId());
    const QRect screen(QPoint(0, 0), PrivateDisplay::kScreen);
    return std::any_of(shown.cbegin(), shown.cend(), [&](QRect window) {
        return screen.right() - window.right() < 100 && screen.bottom() - window.bottom() < 100;
    });
}

// A StatusNotifierWatcher with a host, as a panel that draws
// StatusNotifierItems offers it.
class StatusNotifierWatcher final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)

public:
    QStringList items;
    bool IsStatusNotifierHostRegistered() const { return true; }

public slots:
    void RegisterStatusNotifierItem(const QString &service) { items << service; }
};

// The captions of the top level of a StatusNotifierItem's menu, as a host
// reads them; "-" for a separator.
QStringList MenuCaptions(const QDBusConnection &bus, const QString &item)
{
    QDBusMessage get =
        QDBusMessage::createMethodCall(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get");
    get << "org.kde.StatusNotifierItem"
        << "Menu";
    const QDBusObjectPath menu =
        bus.call(get).arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>();
    QDBusMessage getLayout =
        QDBusMessage::createMethodCall(item, menu.path(), "com.canonical.dbusmenu", "GetLayout");
    getLayout << 0 << 1 << QStringList{"label", "type", "visible"};
    const QVariantList reply = bus.call(getLayout).arguments();
    // Each entry: (id, properties, children).
    const auto read = [](const QDBusArgument &entry, QVariantMap &properties, QVariantList &children) {
        int id = 0;
        entry.beginStructure();
        entry >> id >> properties >> children;
        entry.endStructure();
    };
    QVariantMap properties;
    QVariantList entries, unused;
    read(reply.value(1).value<QDBusArgument>(), properties, entries);
    QStringList captions;
    for (const QVariant &entry : entries) {
        read(entry.value<QDBusArgument>(), properties, unused);
        if (properties.value("visible", true).toBool())
            captions << (properties.value("type") == "separator" ? "-"
                                                                 : properties.value("label").toString());
    }
    return captions;
}

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

    void menusListEveryItemInOrder_data()
    {
        QTest::addColumn<QString>("menuName");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("tray") << "TrayMenu" << QStringList{"Options (bold)"} + kTrayMenu.mid(1);
        QTest::newRow("help") << "Help" << QStringList{"Zettlor Support Forums", "Send Bug Report"};
        QTest::newRow("note")
            << "NoteMenu"
            << QStringList{"Open Note Editor (bold)", "Quick Edit Mode",   "Reply to Sender...", "-",
                           "Set to On Top",           "Copy to Clipboard", "Print...",           "-",
                           "Delete Note..."};
    }
    void menusListEveryItemInOrder()
    {
        QFETCH(QString, menuName);
        const winMenu *owner = winMenu::Create();
        QTEST(Entries(owner->findChild<QMenu *>(menuName)), "expected");
    }

    void brandingRenamesVisitAndHidesDonate_data()
    {
        QTest::addColumn<QStringList>("ini"); // entries below [About]; none = no file
        QTest::addColumn<QString>("visitCaption");
        QTest::addColumn<QString>("visitUrl");
        const auto row = [](const char *tag, QStringList ini, QString caption, QString url) {
            QTest::newRow(tag) << ini << caption << url;
        };
        row("empty URL", {"Name=Acme", "URL="}, "Visit Vantrel", "");
        row("no name", {"URL=https://acme.example"}, "Visit Vantrel", "");
        // A single "&" would become a mnemonic and vanish from the caption.
        row("ampersand doubled", {"Name=Smith & Sons", "URL=https://s.example"}, "Visit Smith && Sons",
            "https://s.example");
    }
    void brandingRenamesVisitAndHidesDonate()
    {
        QFETCH(QStringList, ini);
        QFETCH(QString, visitCaption);
        QFETCH(QString, visitUrl);
        const QString aboutFile = m_environment->programFolder() + "/About.ini";
        QString text = "[About]\r\n";
        for (const QString &entry : ini)
            text += entry.section('=', 0, 0) + "=" + modText::EncodeText(entry.section('=', 1)) + "\r\n";
        WriteBytes(aboutFile, text.toUtf8());
        winMenu *menu = winMenu::Create();
        menu->ApplyBranding(aboutFile);
        QCOMPARE(menu->VisitVT->text(), visitCaption);
        QCOMPARE(menu->DonateToVT->isVisible(), visitUrl.isEmpty());
        QCOMPARE(menu->brandingUrl, visitUrl);
    }

    // Steps on the icon: "down", "double", "middle" (what the tray reports); "settle" lets
    // Timer1 run out; on the stand-in window: "click", "dclick", "mclick", "rclick".
    void clicksRunTheRightAction_data()
    {
        QTest::addColumn<QString>("singleAction");
        QTest::addColumn<QString>("doubleAction");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("hidden");
        const auto row = [](const char *tag, QString single, QString dbl, QStringList steps, bool hidden) {
            QTest::newRow(tag) << single << dbl << steps << hidden;
        };
        const QString toggle = "Hide/Show Notes", none = "No Action";
        row("single click, single action", toggle, none, {"down"}, true);
        row("double click, double action only", none, toggle, {"down", "double"}, true);
        row("double click cancels single", toggle, none, {"down", "double"}, false);
        row("slow double click runs single once", toggle, toggle, {"down", "settle", "double"}, true);
        row("middle click, double action", none, toggle, {"middle"}, true);
        row("middle click cancels pending", toggle, none, {"down", "middle"}, false);
        row("texts must match exactly", "Hide All Notes", "hide/show notes", {"down", "double", "down"},
            false);
        row("stand-in click, single action", toggle, none, {"click"}, true);
        row("stand-in double click, double action", none, toggle, {"click", "dclick"}, true);
        row("stand-in middle click, double action", none, toggle, {"mclick"}, true);
        row("stand-in right click opens the menu", toggle, toggle, {"rclick"}, false);
    }
    void clicksRunTheRightAction()
    {
        QFETCH(QString, singleAction);
        QFETCH(QString, doubleAction);
        QFETCH(QStringList, steps);
        QFETCH(bool, hidden);
        SingleClickAction = singleAction;
        DoubleClickAction = doubleAction;
        winMenu *menu = winMenu::Create();
        using Code = winMenu::TrayNotification;
        const QHash<QString, Code> codes{{"down", Code::LeftButtonDown},
                                         {"double", Code::LeftButtonDoubleClick},
                                         {"middle", Code::MiddleClick}};
        const QHash<QString, Qt::MouseButton> buttons{
            {"click", Qt::LeftButton}, {"mclick", Qt::MiddleButton}, {"rclick", Qt::RightButton}};
        for (const QString &step : steps) {
            if (step == "settle")
                QTRY_VERIFY(!menu->Timer1->isActive());
            else if (codes.contains(step))
                menu->TrayIcon_Notify(codes.value(step), QPoint(100, 100));
            else if (QSystemTrayIcon::isSystemTrayAvailable())
                QSKIP("a tray exists here; the stand-in window is not used");
            else if (step == "dclick")
                QTest::mouseDClick(StandIn(), Qt::LeftButton); // after "click": the second press
            else
                QTest::mouseClick(StandIn(), buttons.value(step));
        }
        QTRY_VERIFY(!menu->Timer1->isActive());
        QCOMPARE(menu->HideAllNotes->text(), QString(hidden ? "Show All Notes" : "Hide All Notes"));
        QTRY_COMPARE(menu->TrayMenu->isVisible(), steps.last() == "rclick");
        menu->TrayMenu->hide();
    }

    void toggleHidesAndShowsOnlyNotes()
    {
        winMenu *menu = winMenu::Create();
        winNote first, second, arrived;
        QWidget otherWindow;
        for (QWidget *window : std::initializer_list<QWidget *>{&first, &second, &otherWindow})
            window->show();
        modTrayCommands::ToggleAllNotes();
        QVERIFY(!first.isVisible() && !second.isVisible() && otherWindow.isVisible());
        arrived.show(); // a note arriving while the others are hidden comes back with them
        menu->HideAllNotes->trigger();
        QCOMPARE(menu->HideAllNotes->text(), QString("Hide All Notes"));
        QVERIFY(first.isVisible() && second.isVisible() && arrived.isVisible() && otherWindow.isVisible());
    }

    // The stand-in shows the tray picture, or the program's icon when the
    // file holds no picture (an empty QIcon would leave it blank).
    void standInShowsTheTrayPictureBottomRight_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::addColumn<bool>("loads");
        QByteArray png;
        QBuffer buffer(&png);
        QImage red(16, 16, QImage::Format_RGB32);
        red.fill(Qt::red);
        red.save(&buffer, "PNG");
        QTest::newRow("a picture") << png << true;
        QTest::newRow("missing file") << QByteArray() << false;
        QTest::newRow("cut short") << png.left(40) << false;
    }
    void standInShowsTheTrayPictureBottomRight()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loads);
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("a tray exists here; the stand-in window is not used");
        const QString file = m_environment->root() + "/tray.png";
        if (!bytes.isNull())
            WriteBytes(file, bytes);
        winMenu::Create();
        winTrayControl *control = StandIn();
        QVERIFY(control && control->isVisible());
        const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(free.contains(control->frameGeometry()));
        QVERIFY(control->frameGeometry().right() > free.right() - 3 * control->width());
        QVERIFY(control->frameGeometry().bottom() > free.bottom() - 3 * control->height());
        const QPoint centre = control->rect().center();
        const QColor programIcon = control->grab().toImage().pixelColor(centre);
        winMenu::Instance()->ImageIcon = winMenu::TrayPicture(file);
        modTrayIcon::UpdateTrayIcon();
        QCOMPARE(control->grab().toImage().pixelColor(centre), loads ? QColor(Qt::red) : programIcon);
    }

    // The icon leaves for the control window within 5 s of the tray's end
    // and comes back when a tray appears.
    void iconFollowsTheTrayHost()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::IceWm);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        ProgramProcess program(ProgramEnvironment(environment, display));
        QVERIFY(program.start({"--address", "127.0.0.30", "--port", "21300"}));
        const auto windows = [&] { return display.windowsOf(program.process().processId()); };
        const auto docked = [&] {
            const QList<qulonglong> icons = display.trayIcons();
            return std::any_of(icons.cbegin(), icons.cend(),
                               [&](qulonglong icon) { return windows().contains(icon); });
        };
        const auto standIn = [&] { return StandInShown(display, program); };
        QVERIFY(ProgramProcess::waitFor(docked));
        display.stopTray();
        QVERIFY(ProgramProcess::waitFor(standIn, 5000));
        QVERIFY(display.startTray());
        QVERIFY(ProgramProcess::waitFor([&] { return docked() && !standIn(); }));
        program.stop();
        QCOMPARE(program.waitForExit(), 0);
    }

    // A panel that only draws StatusNotifierItems, started after the program
    // (the usual race at login), gets the icon, its menu and its clicks.
    void iconMovesToALateStatusNotifierHost()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::None);
        PrivateBus bus;
        for (const QString &problem : {display.problem(), bus.problem()}) {
            if (!problem.isEmpty())
                QSKIP(qPrintable("needs a private X display and D-Bus: " + problem));
        }
        QProcessEnvironment variables = ProgramEnvironment(environment, display);
        bus.addTo(variables);
        ProgramProcess program(variables);
        QVERIFY(program.start({"--address", "127.0.0.36", "--port", "21351"}));
        QVERIFY(ProgramProcess::waitFor([&] { return StandInShown(display, program); }));
        StatusNotifierWatcher watcher;
        QDBusConnection connection = bus.connection();
        QVERIFY(connection.registerObject("/StatusNotifierWatcher", &watcher,
                                          QDBusConnection::ExportAllContents));
        QVERIFY(connection.registerService("org.kde.StatusNotifierWatcher"));
        QVERIFY(ProgramProcess::waitFor(
            [&] { return !watcher.items.isEmpty() && !StandInShown(display, program); }, 5000));
        QCOMPARE(watcher.items.size(), 1);
        const QString item = watcher.items.first();
        QCOMPARE(MenuCaptions(connection, item), kTrayMenu);
        // What a host does on a left click: the single-click action, "Create Note".
        QVERIFY(connection
                    .call(QDBusMessage::createMethodCall(item, "/StatusNotifierItem",
                                                         "org.kde.StatusNotifierItem", "Activate")
                          << 0 << 0)
                    .type() == QDBusMessage::ReplyMessage);
        QVERIFY(ProgramProcess::waitFor([&] {
            return display.run("xdotool", {"search", "--onlyvisible", "--name", "^Zettlor Note Editor$"});
        }));
        program.stop();
        QCOMPARE(program.waitForExit(), 0);
    }

    void balloonTextBecomesTheTooltip_data()
    {
        QTest::addColumn<QString>("text"); // "" = a second start, after the icon was removed
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("balloon");
        const QString longText = QString(100, 'a') + QString(100, 'b') + QString(100, 'c');
        const QString secondStart = "Right-click this system tray icon to access Zettlor.";
        QTest::newRow("long text is cut") << longText << longText.left(127) << longText.left(255);
        QTest::newRow("markup is shown as text") << "<b>x</b> & y"
                                                 << "<b>x</b> & y"
                                                 << "<b>x</b> & y";
        QTest::newRow("second start brings the icon back") << "" << secondStart << secondStart;
    }
    void balloonTextBecomesTheTooltip()
    {
        QFETCH(QString, text);
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("a tray exists here; the stand-in window is not used");
        BindAddress = "127.0.0.6";
        winMenu::Create();
        winTrayControl *control = StandIn();
        if (text.isEmpty()) {
            modTrayIcon::RemoveTrayIcon();
            modTrayIcon::ShowTrayBalloon("lost");
            QVERIFY(!control->isVisible() && !control->Balloon->isVisible());
            modTrayIcon::AnswerSecondStart();
        } else {
            modTrayIcon::ShowTrayBalloon(text);
        }
        QVERIFY(control->isVisible() && control->Balloon->isVisible());
        QTEST(control->toolTip(), "toolTip");
        QTEST(control->BalloonText->text(), "balloon");
        modTrayIcon::AddTrayIcon(); // puts the address back
        QCOMPARE(control->toolTip(), QString("Zettlor (127.0.0.6)"));
        QTest::mouseClick(control->Balloon, Qt::LeftButton);
        QVERIFY(!control->Balloon->isVisible());
    }
};

ZETTLOR_TEST_CLASS(TrayTest)
#include "TrayTest.moc"

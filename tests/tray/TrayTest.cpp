#include "PrivateBus.h"
#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modText.h"
#include "notes/winNote.h"
#include "tray/modTrayIcon.h"
#include "tray/winMenu.h"
#include "tray/winTrayControl.h"

#include <QAction>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMenu>
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
const QStringList kTrayMenu =
    QString("Options|-|Create Note...|Contacts|Hide All Notes|-|Note Archive|-|About Zettlor|Help|"
            "Check for New Version|-|Visit Vantrel|Support Zettlor|-|Exit")
        .split('|');

// The control window that stands in for the icon, near the screen's bottom-right corner.
bool StandInShown(const PrivateDisplay &display, ProgramProcess &program)
{
    const QMap<qulonglong, QRect> shown = display.windowsOf(program.process().processId());
    const QRect screen(QPoint(0, 0), PrivateDisplay::kScreen);
    return std::any_of(shown.cbegin(), shown.cend(), [&](QRect window) {
        return screen.right() - window.right() < 100 && screen.bottom() - window.bottom() < 100;
    });
}

// A StatusNotifierWatcher as a panel that draws StatusNotifierItems offers
// it; its host may register after it and leave before it.
class StatusNotifierWatcher final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)

public:
    QStringList items;
    bool hostRegistered = true;
    mutable int hostQuestions = 0;
    bool IsStatusNotifierHostRegistered() const
    {
        ++hostQuestions;
        return hostRegistered;
    }
    void setHost(bool registered)
    {
        hostRegistered = registered;
        if (registered)
            emit StatusNotifierHostRegistered();
        else
            emit StatusNotifierHostUnregistered();
    }

signals:
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

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
    const QString menu =
        bus.call(get).arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    QDBusMessage getLayout =
        QDBusMessage::createMethodCall(item, menu, "com.canonical.dbusmenu", "GetLayout");
    getLayout << 0 << 1 << QStringList{"label", "type"};
    QVariantList entries{bus.call(getLayout).arguments().value(1)}; // the root, then its children
    QStringList captions;
    for (qsizetype i = 0; i < entries.size(); ++i) { // each entry: (id, properties, children)
        const QDBusArgument entry = entries[i].value<QDBusArgument>();
        int id = 0;
        QVariantMap properties;
        QVariantList children;
        entry.beginStructure();
        entry >> id >> properties >> children;
        entry.endStructure();
        if (i == 0)
            entries << children;
        else
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

    void brandingRenamesVisitAndHidesDonate_data()
    {
        QTest::addColumn<QString>("name"); // as About.ini holds them, encoded
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("visitCaption");
        QTest::newRow("empty URL") << "Acme"
                                   << ""
                                   << "Visit Vantrel";
        QTest::newRow("no name") << ""
                                 << "https://acme.example"
                                 << "Visit Vantrel";
        // A single "&" would become a mnemonic and vanish from the caption.
        QTest::newRow("ampersand doubled") << "Smith & Sons"
                                           << "https://s.example"
                                           << "Visit Smith && Sons";
    }
    void brandingRenamesVisitAndHidesDonate()
    {
        QFETCH(QString, name);
        QFETCH(QString, url);
        const QString aboutFile = m_environment->programFolder() + "/About.ini";
        WriteBytes(aboutFile, ("[About]\r\nName=" + modText::EncodeText(name) +
                               "\r\nURL=" + modText::EncodeText(url) + "\r\n")
                                  .toUtf8());
        winMenu *menu = winMenu::Create();
        menu->ApplyBranding(aboutFile);
        QTEST(menu->VisitVT->text(), "visitCaption");
        const bool branded = !name.isEmpty() && !url.isEmpty();
        QCOMPARE(menu->DonateToVT->isVisible(), !branded);
        QCOMPARE(menu->brandingUrl, branded ? url : QString());
    }

    // Steps on the icon: "down", "double", "middle" (what the tray reports); "settle" lets
    // Timer1 run out; on the stand-in window: "click", "dclick", "mclick", "rclick". The
    // toggle runs once or not at all; "hide all notes" names no action.
    void clicksRunTheRightAction_data()
    {
        QTest::addColumn<QString>("singleAction");
        QTest::addColumn<QString>("doubleAction");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("hidden");
        const QString toggle = "Hide/Show Notes", none = "hide all notes";
        QTest::newRow("double click cancels single") << toggle << none << "down double" << false;
        QTest::newRow("slow double click runs single once")
            << toggle << toggle << "down settle double" << true;
        QTest::newRow("middle click cancels pending") << toggle << none << "down middle" << false;
        QTest::newRow("stand-in click, single action") << toggle << none << "click" << true;
        QTest::newRow("stand-in double click, double action") << none << toggle << "click dclick" << true;
        QTest::newRow("stand-in middle click, double action") << none << toggle << "mclick" << true;
        QTest::newRow("stand-in right click opens the menu") << toggle << toggle << "rclick" << false;
    }
    void clicksRunTheRightAction()
    {
        QFETCH(QString, steps);
        QFETCH(bool, hidden);
        QFETCH(QString, singleAction);
        QFETCH(QString, doubleAction);
        SingleClickAction = singleAction;
        DoubleClickAction = doubleAction;
        winMenu *menu = winMenu::Create();
        using Code = winMenu::TrayNotification;
        const QHash<QString, Code> codes{{"down", Code::LeftButtonDown},
                                         {"double", Code::LeftButtonDoubleClick},
                                         {"middle", Code::MiddleClick}};
        const QHash<QString, Qt::MouseButton> buttons{
            {"click", Qt::LeftButton}, {"mclick", Qt::MiddleButton}, {"rclick", Qt::RightButton}};
        for (const QString &step : steps.split(' ')) {
            if (step == "settle")
                QTRY_VERIFY(!menu->Timer1->isActive());
            else if (codes.contains(step))
                menu->TrayIcon_Notify(codes.value(step), QPoint(100, 100));
            else if (!StandIn())
                QSKIP("a tray exists here; the stand-in window is not used");
            else if (step == "dclick")
                QTest::mouseDClick(StandIn(), Qt::LeftButton); // after "click": the second press
            else
                QTest::mouseClick(StandIn(), buttons.value(step));
        }
        QTRY_VERIFY(!menu->Timer1->isActive());
        QCOMPARE(menu->HideAllNotes->text(), QString(hidden ? "Show All Notes" : "Hide All Notes"));
        QTRY_COMPARE(menu->TrayMenu->isVisible(), steps == "rclick");
        menu->TrayMenu->hide();
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
        QCOMPARE(menu->HideAllNotes->text(), QString("Hide All Notes"));
        QVERIFY(note.isVisible() && arrived.isVisible());
    }

    // The stand-in shows the tray picture, or the program's icon when the
    // file holds no picture (an empty QIcon would leave it blank).
    void standInShowsTheTrayPicture()
    {
        winMenu::Create();
        winTrayControl *control = StandIn();
        if (!control)
            QSKIP("a tray exists here; the stand-in window is not used");
        QVERIFY(control->isVisible());
        const QString file = m_environment->root() + "/tray.png";
        QImage red(16, 16, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(file));
        const QPoint centre = control->rect().center();
        const QColor programIcon = control->grab().toImage().pixelColor(centre);
        for (const bool whole : {false, true}) {
            if (!whole)
                WriteBytes(file, ReadBytes(file).left(40));
            winMenu::Instance()->ImageIcon = winMenu::TrayPicture(file);
            modTrayIcon::UpdateTrayIcon();
            QCOMPARE(control->grab().toImage().pixelColor(centre), whole ? QColor(Qt::red) : programIcon);
            QVERIFY(red.save(file));
        }
    }

    // The icon leaves for the control window (in the screen's corner) within
    // 5 s of the tray's end and comes back when a tray appears.
    void iconFollowsTheTrayHost()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::IceWm);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        ProgramProcess program(ProgramEnvironment(environment, display));
        QVERIFY(program.start({"--address", "127.0.0.30", "--port", "21300"}));
        const auto docked = [&] {
            const QList<qulonglong> icons = display.trayIcons();
            return std::any_of(icons.cbegin(), icons.cend(), [&](qulonglong icon) {
                return display.windowsOf(program.process().processId()).contains(icon);
            });
        };
        const auto standIn = [&] { return StandInShown(display, program); };
        QVERIFY(ProgramProcess::waitFor(docked));
        display.stopTray();
        QVERIFY(ProgramProcess::waitFor(standIn, 5000));
        QVERIFY(display.startTray());
        QVERIFY(ProgramProcess::waitFor([&] { return docked() && !standIn(); }));
    }

    // A panel that only draws StatusNotifierItems, started after the program
    // (the usual race at login), gets the icon and its menu, whether it
    // registers as host with its watcher at once or a moment later; when the
    // host leaves, the control window comes back. Its clicks:
    // DesktopTest::installedProgramOnALateXfcePanel.
    void iconMovesToALateStatusNotifierHost_data()
    {
        QTest::addColumn<bool>("hostWithWatcher");
        QTest::newRow("host with the watcher") << true;
        QTest::newRow("host after the watcher") << false;
    }
    void iconMovesToALateStatusNotifierHost()
    {
        QFETCH(bool, hostWithWatcher);
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
        const auto standIn = [&] { return StandInShown(display, program); };
        QVERIFY(ProgramProcess::waitFor(standIn));
        StatusNotifierWatcher watcher;
        watcher.hostRegistered = hostWithWatcher;
        QDBusConnection connection = bus.connection();
        QVERIFY(connection.registerObject("/StatusNotifierWatcher", &watcher,
                                          QDBusConnection::ExportAllContents));
        QVERIFY(connection.registerService("org.kde.StatusNotifierWatcher"));
        if (!hostWithWatcher) {
            QVERIFY(ProgramProcess::waitFor([&] { return watcher.hostQuestions > 0; }));
            watcher.setHost(true);
        }
        QVERIFY(ProgramProcess::waitFor([&] { return !watcher.items.isEmpty() && !standIn(); }, 5000));
        QCOMPARE(watcher.items.size(), 1);
        QCOMPARE(MenuCaptions(connection, watcher.items.first()), kTrayMenu);
        watcher.setHost(false);
        QVERIFY(ProgramProcess::waitFor(standIn, 5000));
    }

    // Cut to fit; after the icon was removed a second start brings it back.
    void balloonTextBecomesTheTooltip()
    {
        BindAddress = "127.0.0.6";
        winMenu::Create();
        winTrayControl *control = StandIn();
        if (!control)
            QSKIP("a tray exists here; the stand-in window is not used");
        const QString longText = QString(100, 'a') + QString(100, 'b') + QString(100, 'c');
        modTrayIcon::ShowTrayBalloon(longText);
        QCOMPARE(control->toolTip() + "|" + control->BalloonText->text(),
                 longText.left(127) + "|" + longText.left(255));
        modTrayIcon::RemoveTrayIcon();
        modTrayIcon::ShowTrayBalloon("lost");
        QVERIFY(!control->isVisible() && !control->Balloon->isVisible());
        modTrayIcon::AnswerSecondStart();
        QVERIFY(control->isVisible() && control->Balloon->isVisible());
        const QString secondStart = "Right-click this system tray icon to access Zettlor.";
        QCOMPARE(control->toolTip() + "|" + control->BalloonText->text(), secondStart + "|" + secondStart);
        modTrayIcon::AddTrayIcon(); // puts the address back
        QCOMPARE(control->toolTip(), QString("Zettlor (127.0.0.6)"));
        QTest::mouseClick(control->Balloon, Qt::LeftButton);
        QVERIFY(!control->Balloon->isVisible());
    }
};

ZETTLOR_TEST_CLASS(TrayTest)
#include "TrayTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "tray/modTrayIcon.h"
#include "tray/winMenu.h"
#include "tray/winTrayControl.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

namespace {

const QString kSecondStartText = QStringLiteral("Right-click this system tray icon to access Zettlor.");

winTrayControl *ControlWindow()
{
    return winMenu::Instance()->findChild<winTrayControl *>(QStringLiteral("winTrayControl"));
}

bool NotesHidden()
{
    return winMenu::Instance()->HideAllNotes->text() == QLatin1String("Show All Notes");
}

} // namespace

// Offscreen there is no tray, so the control window stands in for the icon.
class TrayIconTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("a tray exists here; the control window is not used");
    }
    void cleanup()
    {
        modTrayIcon::RemoveTrayIcon();
        delete winMenu::Instance();
    }

    void controlWindowStandsInForTheIcon()
    {
        TestEnvironment environment;
        BindAddress = "127.0.0.5";
        winMenu::Create();
        QVERIFY(!ControlWindow());
        modTrayIcon::AddTrayIcon();
        winTrayControl *control = ControlWindow();
        QVERIFY(control);
        QVERIFY(control->isVisible());
        QCOMPARE(control->toolTip(), QString("Zettlor (127.0.0.5)"));
        QVERIFY(control->windowFlags().testFlag(Qt::FramelessWindowHint));
        const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(free.contains(control->frameGeometry()));
        QVERIFY(control->frameGeometry().right() > free.right() - 3 * control->width());
        QVERIFY(control->frameGeometry().bottom() > free.bottom() - 3 * control->height());
    }

    void balloonTextBecomesTheTooltip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("balloon");
        const QString received = "A new note has been received from Ann (127.0.0.2)";
        QTest::newRow("received note") << received << received << received;
        const QString longText = QString(100, 'a') + QString(100, 'b') + QString(100, 'c');
        QTest::newRow("long text is cut") << longText << longText.left(127) << longText.left(255);
        QTest::newRow("markup is shown as text") << "<b>x</b> & y"
                                                 << "<b>x</b> & y"
                                                 << "<b>x</b> & y";
    }
    void balloonTextBecomesTheTooltip()
    {
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        QFETCH(QString, balloon);
        TestEnvironment environment;
        BindAddress = "127.0.0.6";
        winMenu::Create();
        modTrayIcon::AddTrayIcon();
        modTrayIcon::ShowTrayBalloon(text);
        winTrayControl *control = ControlWindow();
        QCOMPARE(control->toolTip(), toolTip);
        QVERIFY(control->Balloon->isVisible());
        QCOMPARE(control->BalloonTitle->text(), QString("Zettlor"));
        QCOMPARE(control->BalloonText->text(), balloon);
        QVERIFY(control->BalloonTimer->isActive() && control->BalloonTimer->interval() == 10000);
        // The next add puts the address back.
        modTrayIcon::AddTrayIcon();
        QCOMPARE(control->toolTip(), QString("Zettlor (127.0.0.6)"));
        QTest::mouseClick(control->Balloon, Qt::LeftButton);
        QVERIFY(!control->Balloon->isVisible());
        QVERIFY(!control->BalloonTimer->isActive());
    }

    void secondStartBringsTheIconBack_data()
    {
        QTest::addColumn<bool>("removedFirst");
        QTest::newRow("icon present") << false;
        QTest::newRow("icon missing") << true;
    }
    void secondStartBringsTheIconBack()
    {
        QFETCH(bool, removedFirst);
        TestEnvironment environment;
        winMenu::Create();
        modTrayIcon::AddTrayIcon();
        winTrayControl *control = ControlWindow();
        if (removedFirst) {
            modTrayIcon::RemoveTrayIcon();
            QVERIFY(!control->isVisible());
            modTrayIcon::ShowTrayBalloon("lost");
            QVERIFY(!control->Balloon->isVisible());
        }
        modTrayIcon::AnswerSecondStart();
        QVERIFY(control->isVisible());
        QVERIFY(control->Balloon->isVisible());
        QCOMPARE(control->BalloonText->text(), kSecondStartText);
        QCOMPARE(control->toolTip(), kSecondStartText);
    }

    void updateTrayIconRepaintsThePicture()
    {
        TestEnvironment environment;
        winMenu *menu = winMenu::Create();
        modTrayIcon::AddTrayIcon();
        winTrayControl *control = ControlWindow();
        QPixmap red(32, 32);
        red.fill(Qt::red);
        menu->ImageIcon = QIcon(red);
        const QPoint centre(control->width() / 2, control->height() / 2);
        QVERIFY(control->grab().toImage().pixelColor(centre) != QColor(Qt::red));
        modTrayIcon::UpdateTrayIcon();
        QCOMPARE(control->grab().toImage().pixelColor(centre), QColor(Qt::red));
    }

    // Mouse steps on the control window: "click", "double" or "right".
    void controlWindowAnswersTheTrayClicks_data()
    {
        QTest::addColumn<QString>("singleAction");
        QTest::addColumn<QString>("doubleAction");
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("hidden");
        const QString toggle = "Hide/Show Notes";
        QTest::newRow("click, single action") << toggle << "No Action"
                                              << "click" << true;
        QTest::newRow("click, double action only") << "No Action" << toggle << "click" << false;
        QTest::newRow("double click, double action") << "No Action" << toggle << "double" << true;
        QTest::newRow("double click cancels single") << toggle << "No Action"
                                                     << "double" << false;
        QTest::newRow("middle click, double action") << "No Action" << toggle << "middle" << true;
        QTest::newRow("right click opens the menu") << toggle << toggle << "right" << false;
    }
    void controlWindowAnswersTheTrayClicks()
    {
        QFETCH(QString, singleAction);
        QFETCH(QString, doubleAction);
        QFETCH(QString, step);
        QFETCH(bool, hidden);
        TestEnvironment environment;
        SingleClickAction = singleAction;
        DoubleClickAction = doubleAction;
        winMenu *menu = winMenu::Create();
        modTrayIcon::AddTrayIcon();
        winTrayControl *control = ControlWindow();
        if (step == "click")
            QTest::mouseClick(control, Qt::LeftButton);
        else if (step == "double") {
            // A real double click: press, release, then the double-click press.
            QTest::mouseClick(control, Qt::LeftButton);
            QTest::mouseDClick(control, Qt::LeftButton);
        } else
            QTest::mouseClick(control, step == "right" ? Qt::RightButton : Qt::MiddleButton);
        QTRY_VERIFY(!menu->Timer1->isActive());
        QCOMPARE(NotesHidden(), hidden);
        QTRY_COMPARE(menu->TrayMenu->isVisible(), step == "right");
        menu->TrayMenu->hide();
    }
};

ZETTLOR_TEST_CLASS(TrayIconTest)
#include "TrayIconTest.moc"

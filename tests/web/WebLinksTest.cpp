#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modText.h"
#include "tray/modTrayCommands.h"
#include "tray/winMenu.h"
#include "web/modWebLinks.h"

#include <QAction>
#include <QTest>
#include <QUrl>
#include <optional>

class WebLinksTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    QStringList m_opened;

private slots:
    void init()
    {
        m_environment.emplace();
        m_opened.clear();
        // A base written with a trailing "/" must not give "//" in the pages.
        qputenv("ZETTLOR_WEB_BASE", "https://maker.example/");
        modWebLinks::SetUrlOpener([this](const QUrl &url) { m_opened << url.toString(); });
    }
    void cleanup()
    {
        modWebLinks::SetUrlOpener({});
        qunsetenv("ZETTLOR_WEB_BASE");
        delete winMenu::Instance();
        m_environment.reset();
    }

    void trayCommandsOpenTheirPages_data()
    {
        QTest::addColumn<QString>("command"); // a tray menu item, or "action" for the click action
        QTest::addColumn<bool>("branded");
        QTest::addColumn<QString>("opened");
        const auto row = [](const char *tag, QString command, bool branded, QString opened) {
            QTest::newRow(tag) << command << branded << opened;
        };
        row("support forum", "ZettlorSupportForums", false, "https://maker.example/forum/index.php?c=18");
        row("bug report names the version", "SendBugReport", false,
            "https://maker.example/BugReport.asp?Application=Zettlor&Version=3.0.6");
        row("donation", "DonateToVT", false, "https://maker.example/Donate.asp");
        row("home page", "VisitVT", false, "https://maker.example/");
        row("distributor's page", "VisitVT", true, "http://www.acme.example");
        row("click action ignores the branding", "action", true, "https://maker.example/");
    }
    void trayCommandsOpenTheirPages()
    {
        QFETCH(QString, command);
        QFETCH(bool, branded);
        const QString aboutFile = m_environment->programFolder() + "/About.ini";
        if (branded)
            WriteBytes(aboutFile, "[About]\r\nName=" + modText::EncodeText("Acme").toUtf8() +
                                      "\r\nURL=" + modText::EncodeText("www.acme.example").toUtf8() + "\r\n");
        winMenu *menu = winMenu::Create();
        menu->ApplyBranding(aboutFile);
        if (command == "action")
            modTrayCommands::PerformTrayAction("Visit Vantrel");
        else
            menu->findChild<QAction *>(command)->trigger();
        QTEST(m_opened.join('|'), "opened");
    }

    void opensOnlyWebAndMailAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("opened"); // "": nothing
        QTest::newRow("web") << "https://acme.example/a?b=c"
                             << "https://acme.example/a?b=c";
        QTest::newRow("bare host") << " www.acme.example "
                                   << "http://www.acme.example";
        QTest::newRow("mail") << "mailto:ann@acme.example"
                              << "mailto:ann@acme.example";
        QTest::newRow("local file") << "file:///usr/bin/xterm"
                                    << "";
        QTest::newRow("local path") << "/usr/bin/xterm"
                                    << "";
        QTest::newRow("script") << "javascript:alert(1)"
                                << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void opensOnlyWebAndMailAddresses()
    {
        QFETCH(QString, address);
        modWebLinks::OpenURL(address);
        QTEST(m_opened.join('|'), "opened");
    }
};

ZETTLOR_TEST_CLASS(WebLinksTest)
#include "WebLinksTest.moc"

#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modSettings.h"
#include "tray/modTrayCommands.h"
#include "tray/winMenu.h"
#include "web/modUpdateCheck.h"
#include "web/modWebLinks.h"

#include <QAction>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <optional>

namespace {

// An answer; its proxy challenge counts only with status 407.
QByteArray Http(const QByteArray &body, const QByteArray &status = "200 OK")
{
    return "HTTP/1.1 " + status + "\r\nConnection: close\r\nProxy-Authenticate: Basic realm=\"x\"\r\n" +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// Records each request's head; lets "ann:s3cret" through to answer(), else stays silent.
struct LocalProxy final : QTcpServer
{
    QList<QByteArray> requests;
    explicit LocalProxy(quint16 port, std::function<QByteArray()> answer = {})
    {
        listen(QHostAddress::LocalHost, port);
        connect(this, &QTcpServer::newConnection, this, [this, answer] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, answer] {
                if (!socket->peek(socket->bytesAvailable()).endsWith("\r\n\r\n"))
                    return; // the rest of the head is still on its way
                requests << socket->readAll();
                const bool through = requests.last().contains("Proxy-Authorization: Basic YW5uOnMzY3JldA==");
                if (answer &&
                    socket->write(through ? answer() : Http("", "407 Proxy Authentication Required")) > 0)
                    socket->disconnectFromHost();
            });
        });
    }
};

} // namespace

class WebTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    // "latest", "failed <host>", "offer <release>" (answered Yes) and pages opened, in order.
    QStringList m_events;

private slots:
    void init()
    {
        m_environment.emplace();
        m_events.clear();
        qputenv("ZETTLOR_WEB_BASE", "http://zettlor.invalid/"); // no "//" in the pages
        qputenv("http_proxy", "http://127.0.0.1:21750");
        modSettings::WriteProxyUsername("ann");
        modSettings::WriteProxyPassword("s3cret");
        modDialogs::SetDialogRunner([this](QDialog &dialog) {
            const QString text = static_cast<QMessageBox &>(dialog).text();
            m_events << (text.startsWith("Zettlor v") ? "offer " + text.section(' ', 1, 1).mid(1)
                         : text.contains("latest")
                             ? "latest"
                             : "failed " + text.section("visit ", 1).section(' ', 0, 0));
            return QMessageBox::Yes;
        });
        modWebLinks::SetUrlOpener([this](const QUrl &url) { return m_events << url.toString(), true; });
    }
    void cleanup()
    {
        delete winMenu::Instance();
        m_environment.reset();
    }

    // "announced" is the release announced before.
    void reportsEachAnswer_data()
    {
        QTest::addColumn<QByteArray>("response"); // empty: the server never answers
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<QString>("announced");
        QTest::addColumn<QStringList>("events");
        const auto row = [](const char *tag, QByteArray response, bool interactive, QStringList events,
                            QString announced = {}) {
            QTest::newRow(tag) << response << interactive << announced << events;
        };
        const QString page = "http://zettlor.invalid/AboutZettlor.asp", failed = "failed zettlor.invalid";
        row("announced, automatic", Http("3.0.7"), false, {}, "3.0.7");
        row("announced, menu", Http("3.0.7"), true, {"offer 3.0.7", page}, "3.0.7");
        row("next release, automatic", Http("3.0.8"), false, {"offer 3.0.8", page}, "3.0.7");
        row("equal, automatic", Http("3.0.6"), false, {});
        row("equal, menu", Http("3.0.6"), true, {"latest"});
        row("newer revision, trailing CR LF", Http(" 3.0.12\r\n"), true, {"offer 3.0.12", page});
        row("short HTML", Http("<p>3.0.7</p>"), true, {failed});
        row("not found, automatic", Http("3.0.7", "404 Not Found"), false, {});
        row("no answer within the limit", "", true, {failed});
    }
    void reportsEachAnswer()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, interactive);
        QFETCH(QString, announced);
        LocalProxy proxy(21750, [&] { return response; });
        modSettings::WriteSetting(SettingKeys::CheckVersion, announced);
        modUpdateCheck::CheckForUpdate(interactive);
        QTEST(m_events, "events");
        if (m_events.value(0).startsWith("offer ")) // and not again by the automatic check
            QCOMPARE(modSettings::ReadSetting(SettingKeys::CheckVersion), m_events[0].mid(6));
    }

    // A check asked for while one waits runs after it, not inside it.
    void checksRunOneAfterAnother()
    {
        LocalProxy proxy(21750, [&] {
            m_events << "request";
            if (m_events.size() == 1)
                modUpdateCheck::CheckForUpdate(true);
            return Http(m_events.size() == 1 ? "3.0.6" : "3.0.7");
        });
        modUpdateCheck::CheckForUpdate(true);
        QCOMPARE(m_events, QStringList({"request", "latest", "request", "offer 3.0.7",
                                        "http://zettlor.invalid/AboutZettlor.asp"}));
    }

    // A distributor's page replaces Visit's, not the click action's; a local file never opens; an address
    // no program opens is reported.
    void opensTheRightPages()
    {
        winMenu *menu = winMenu::Create();
        menu->brandingUrl = "www.acme.example"; // as its About.ini gives it
        for (const char *item : {"SendBugReport", "ZettlorSupportForums", "VisitVT"})
            menu->findChild<QAction *>(item)->trigger();
        modTrayCommands::PerformTrayAction("Visit Vantrel");
        modWebLinks::OpenURL("file:///usr/bin/xterm");
        const QString base = "http://zettlor.invalid";
        QCOMPARE(m_events,
                 (QStringList{base + "/BugReport.asp?Application=Zettlor&Version=3.0.6",
                              base + "/forum/index.php?c=18", "http://www.acme.example", base + "/"}));
        modWebLinks::SetUrlOpener([](const QUrl &) { return false; });
        modWebLinks::OpenMakerHomePage();
        QCOMPARE(m_events.size(), 5); // the message
    }

    // At start-up, once a day; told to end while the proxy is silent, it ends at once.
    void startUpCheckEndsWhenTold()
    {
        QProcessEnvironment variables = ProgramEnvironment(*m_environment);
        variables.insert("ZETTLOR_WEB_BASE", "http://zettlor.invalid");
        LocalProxy proxy(21750);
        ProgramProcess program(variables);
        QVERIFY(program.start({"--address", "127.0.0.70", "--port", "21700"}) &&
                ProgramProcess::waitFor([&] { return proxy.requests.size() == 1; }));
        program.stop(); // kills it after 5 s
        QCOMPARE(program.waitForExit(), 0);
        ProgramProcess again(variables);
        QVERIFY(again.startUp({"--address", "127.0.0.70", "--port", "21700"}));
        QCOMPARE(proxy.requests.size(), 1);
    }
};

ZETTLOR_TEST_CLASS(WebTest)
#include "WebTest.moc"

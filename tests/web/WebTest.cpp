#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modSettings.h"
#include "core/modText.h"
#include "tray/modTrayCommands.h"
#include "tray/winMenu.h"
#include "web/modUpdateCheck.h"
#include "web/modWebLinks.h"

#include <QAction>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <optional>

namespace {

// A web server on 127.0.0.1 that records each request's head and answers it
// with answer(head), then closes; an empty answer leaves the connection silent.
struct LocalWebServer final : QTcpServer
{
    QList<QByteArray> requests;
    LocalWebServer(quint16 port, std::function<QByteArray(const QByteArray &head)> answer)
    {
        listen(QHostAddress::LocalHost, port);
        connect(this, &QTcpServer::newConnection, this, [this, answer] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, answer] {
                if (!socket->peek(socket->bytesAvailable()).endsWith("\r\n\r\n"))
                    return; // the rest of the head is still on its way
                requests << socket->readAll();
                if (socket->write(answer(requests.last())) > 0)
                    socket->disconnectFromHost();
            });
        });
    }
};

QByteArray Http(const QByteArray &body, const QByteArray &status = "200 OK", const QByteArray &headers = {})
{
    return "HTTP/1.1 " + status +
           "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + headers +
           "\r\n" + body;
}

const QString kLatest = "You are using the latest version of Zettlor.";
const QString kAvailable = "Zettlor v%1 is available!  Would you like to download the setup now?";
const QString kFailed = "The attempt to check for an updated version of Zettlor failed!\r\n\r\n"
                        "Please visit %1 to check for a new version.";

} // namespace

class WebTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    // What the user saw and where the browser went, in order; questions are answered Yes.
    QStringList m_events;

private slots:
    void init()
    {
        m_environment.emplace();
        m_events.clear();
        // A base written with a trailing "/" must not give "//" in the pages.
        qputenv("ZETTLOR_WEB_BASE", "http://127.0.0.1:21750/");
        modDialogs::SetDialogRunner([this](QDialog &dialog) {
            m_events << static_cast<QMessageBox &>(dialog).text();
            return QMessageBox::Yes;
        });
        modWebLinks::SetUrlOpener([this](const QUrl &url) { m_events << "open " + url.toString(); });
    }
    void cleanup()
    {
        modDialogs::SetDialogRunner({});
        modWebLinks::SetUrlOpener({});
        qunsetenv("ZETTLOR_WEB_BASE");
        qunsetenv("http_proxy");
        delete winMenu::Instance();
        m_environment.reset();
    }

    // With a password the server is a proxy that lets "ann:s3cret" through.
    void reportsEachAnswer_data()
    {
        QTest::addColumn<QByteArray>("response"); // empty: the server never answers
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<QString>("announced"); // "CheckVersion" before
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message"); // "": nothing shown
        const auto row = [](const char *tag, QByteArray response, bool interactive, QString announced,
                            QString password, QString message) {
            QTest::newRow(tag) << response << interactive << announced << password << message;
        };
        const QString failed = kFailed.arg("127.0.0.1");
        row("announced, automatic", Http("3.0.7"), false, "3.0.7", "", "");
        row("announced, menu", Http("3.0.7"), true, "3.0.7", "", kAvailable.arg("3.0.7"));
        row("next release, automatic", Http("3.0.8"), false, "3.0.7", "", kAvailable.arg("3.0.8"));
        row("equal, menu", Http("3.0.6"), true, "", "", kLatest);
        row("equal, automatic", Http("3.0.6"), false, "", "", "");
        row("older by its numbers", Http("2.10.0"), true, "", "", kLatest);
        row("newer revision", Http("3.0.12"), true, "", "", kAvailable.arg("3.0.12"));
        row("newer beyond 16 bits", Http("10.0.100"), false, "", "", kAvailable.arg("10.0.100"));
        row("trailing CR LF", Http(" 3.0.7\r\n"), true, "", "", kAvailable.arg("3.0.7"));
        row("error page, automatic", Http("<html>Service unavailable</ht>"), false, "", "", "");
        row("short HTML", Http("<p>3.0.7</p>"), true, "", "", failed);
        row("not found", Http("3.0.7", "404 Not Found"), true, "", "", failed);
        row("no answer within the limit", "", true, "", "", failed);
        row("proxy, right password", Http("3.0.7"), true, "", "s3cret", kAvailable.arg("3.0.7"));
        row("proxy, wrong password", Http("3.0.7"), true, "", "guess", kFailed.arg("zettlor.invalid"));
    }
    void reportsEachAnswer()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, password);
        QFETCH(QString, message);
        const QByteArray credentials =
            "\r\nProxy-Authorization: Basic " + QByteArray("ann:s3cret").toBase64();
        LocalWebServer server(21750, [&](const QByteArray &head) {
            if (password.isEmpty() || head.contains(credentials + "\r\n"))
                return response;
            return Http("", "407 Proxy Authentication Required", "Proxy-Authenticate: Basic realm=\"x\"\r\n");
        });
        const QString base = password.isEmpty() ? "http://127.0.0.1:21750" : "http://zettlor.invalid";
        if (!password.isEmpty()) {
            modSettings::WriteProxyUsername("ann");
            modSettings::WriteProxyPassword(password);
            qputenv("ZETTLOR_WEB_BASE", base.toUtf8());
            qputenv("http_proxy", "http://127.0.0.1:21750");
        }
        QFETCH(QString, announced);
        modSettings::WriteSetting(SettingKeys::CheckVersion, announced);
        QFETCH(bool, interactive);
        modUpdateCheck::CheckForUpdate(interactive);
        QStringList expected = message.isEmpty() ? QStringList() : QStringList{message};
        if (message.startsWith("Zettlor v"))
            expected << "open " + base + "/AboutZettlor.asp";
        QCOMPARE(m_events, expected);
        QCOMPARE(server.requests.value(0).split('\r').value(0),
                 "GET " + (password.isEmpty() ? "" : base.toUtf8()) + "/Version/Zettlor.txt HTTP/1.1");
    }

    // A check asked for while one waits runs after it, not inside it.
    void checksRunOneAfterAnother()
    {
        LocalWebServer server(21750, [&](const QByteArray &) {
            m_events << "request";
            if (m_events.size() == 1)
                modUpdateCheck::CheckForUpdate(true);
            return Http(m_events.size() == 1 ? "3.0.6" : "3.0.7");
        });
        modUpdateCheck::CheckForUpdate(true);
        QCOMPARE(m_events, QStringList({"request", kLatest, "request", kAvailable.arg("3.0.7"),
                                        "open http://127.0.0.1:21750/AboutZettlor.asp"}));
    }

    void opensTheRightPage_data()
    {
        QTest::addColumn<QString>("command"); // a tray menu item, "action" (click action) or "open <address>"
        QTest::addColumn<bool>("branded");
        QTest::addColumn<QString>("opened"); // "": nothing
        const QString base = "http://127.0.0.1:21750";
        QTest::newRow("bug report") << "SendBugReport" << false
                                    << base + "/BugReport.asp?Application=Zettlor&Version=3.0.6";
        QTest::newRow("support forum") << "ZettlorSupportForums" << false << base + "/forum/index.php?c=18";
        QTest::newRow("home page") << "VisitVT" << false << base + "/";
        QTest::newRow("distributor's page") << "VisitVT" << true << "http://www.acme.example";
        QTest::newRow("click action ignores the branding") << "action" << true << base + "/";
        QTest::newRow("mail address") << "open mailto:ann@acme.example" << false << "mailto:ann@acme.example";
        QTest::newRow("local file") << "open file:///usr/bin/xterm" << false << "";
        QTest::newRow("script") << "open javascript:alert(1)" << false << "";
    }
    void opensTheRightPage()
    {
        QFETCH(QString, command);
        QFETCH(bool, branded);
        const QString aboutFile = m_environment->programFolder() + "/About.ini";
        if (branded)
            WriteBytes(aboutFile, "[About]\r\nName=" + modText::EncodeText("Acme").toUtf8() +
                                      "\r\nURL=" + modText::EncodeText("www.acme.example").toUtf8() + "\r\n");
        winMenu::Create()->ApplyBranding(aboutFile);
        if (command.startsWith("open "))
            modWebLinks::OpenURL(command.mid(5));
        else if (command == "action")
            modTrayCommands::PerformTrayAction("Visit Vantrel");
        else
            winMenu::Instance()->findChild<QAction *>(command)->trigger();
        QTEST(m_events.join('|').remove("open "), "opened");
    }

    // The real program checks at start-up once a day, announces a release
    // once and ends at once when told to while the server is silent.
    // QDesktopServices hands addresses to xdg-open: a script here writes them down.
    void startUpChecksOnceADayAndAnnouncesOnce()
    {
        PrivateDisplay display(PrivateDisplay::Tray::None);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        const QString root = m_environment->root();
        WriteBytes(root + "/bin/xdg-open", "#!/bin/sh\necho \"$1\" >> " + root.toUtf8() + "/opened\n");
        QFile::setPermissions(root + "/bin/xdg-open", QFile::ReadOwner | QFile::ExeOwner);
        QProcessEnvironment variables = m_environment->processEnvironment();
        display.addTo(variables);
        variables.insert("PATH", root + "/bin:" + variables.value("PATH"));
        variables.insert("QT_LOGGING_RULES", "zettlor.core.info=true");
        variables.insert("ZETTLOR_DIALOG_LOG", root + "/dialogs.log");
        variables.insert("ZETTLOR_DIALOG_ANSWER", "yes");
        variables.insert("ZETTLOR_WEB_BASE", "http://127.0.0.1:21752");
        QByteArray answer = Http("3.0.7");
        LocalWebServer server(21752, [&](const QByteArray &) { return answer; });
        const auto run = [&](qsizetype requests) {
            ProgramProcess program(variables);
            QVERIFY(program.start({"--address", "127.0.0.70", "--port", "21700"}));
            QVERIFY(ProgramProcess::waitFor([&] {
                return answer.isEmpty() ? server.requests.size() == 3
                                        : program.errorOutput().contains("started;");
            }));
            program.stop(); // kills it after 5 s
            QCOMPARE(program.waitForExit(), 0);
            QCOMPARE(server.requests.size(), requests);
            modSettings::WriteSetting(SettingKeys::CheckForNewUpdatesDate, "2000-01-01"); // another day
        };
        run(1);
        QCOMPARE(ReadBytes(root + "/dialogs.log"), "Zettlor|" + kAvailable.arg("3.0.7").toUtf8() + "\n");
        QVERIFY(ProgramProcess::waitFor([&] { return QFile::exists(root + "/opened"); }));
        QCOMPARE(ReadBytes(root + "/opened"), QByteArray("http://127.0.0.1:21752/AboutZettlor.asp\n"));
        modSettings::WriteSetting(SettingKeys::CheckForNewUpdatesDate,
                                  QDate::currentDate().toString(Qt::ISODate));
        run(1); // the same day: no check
        run(2); // the same release: not announced again
        QCOMPARE(ReadBytes(root + "/dialogs.log").count('\n'), 1);
        answer.clear();
        run(3);
    }
};

ZETTLOR_TEST_CLASS(WebTest)
#include "WebTest.moc"

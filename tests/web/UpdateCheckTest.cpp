#include "LocalWebServer.h"
#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modSettings.h"
#include "web/modUpdateCheck.h"
#include "web/modWebLinks.h"

#include <QFile>
#include <QTest>
#include <QUrl>
#include <optional>

namespace {

const QString kLatest = "You are using the latest version of Zettlor.";

QString Available(const QString &release)
{
    return "Zettlor v" + release + " is available!  Would you like to download the setup now?";
}

QString Failed(const QString &host)
{
    return "The attempt to check for an updated version of Zettlor failed!\r\n\r\n"
           "Please visit " +
           host + " to check for a new version.";
}

QByteArray Version(const QByteArray &body)
{
    return HttpResponse(body);
}

} // namespace

class UpdateCheckTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    // What the user saw and where the browser went, in order.
    QStringList m_events;

private slots:
    void init()
    {
        m_environment.emplace();
        m_events.clear();
        qputenv("ZETTLOR_WEB_BASE", "http://127.0.0.1:21750");
        modDialogs::SetDialogRunner([this](QDialog &dialog) {
            auto &box = static_cast<QMessageBox &>(dialog);
            m_events << box.text();
            return box.standardButtons().testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
        });
        modWebLinks::SetUrlOpener([this](const QUrl &url) { m_events << "open " + url.toString(); });
    }
    void cleanup()
    {
        modDialogs::SetDialogRunner({});
        modWebLinks::SetUrlOpener({});
        qunsetenv("ZETTLOR_WEB_BASE");
        qunsetenv("http_proxy");
        m_environment.reset();
    }

    void reportsEachAnswer_data()
    {
        QTest::addColumn<QByteArray>("response"); // null: no server; empty: a server that never answers
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<QString>("announced"); // "Options"/"CheckVersion" before
        QTest::addColumn<QString>("message");   // "": nothing shown
        QTest::addColumn<QString>("announcedAfter");
        const auto row = [](const char *tag, QByteArray response, bool interactive, QString announced,
                            QString message, QString announcedAfter) {
            QTest::newRow(tag) << response << interactive << announced << message << announcedAfter;
        };
        const QString failed = Failed("127.0.0.1");
        row("newer, menu", Version("3.0.7"), true, "", Available("3.0.7"), "3.0.7");
        row("newer, automatic", Version("3.0.7"), false, "", Available("3.0.7"), "3.0.7");
        row("announced, automatic", Version("3.0.7"), false, "3.0.7", "", "3.0.7");
        row("announced, menu", Version("3.0.7"), true, "3.0.7", Available("3.0.7"), "3.0.7");
        row("next release, automatic", Version("3.0.8"), false, "3.0.7", Available("3.0.8"), "3.0.8");
        row("equal, menu", Version("3.0.6"), true, "", kLatest, "");
        row("equal, automatic", Version("3.0.6"), false, "", "", "");
        row("older by its numbers", Version("2.10.0"), true, "", kLatest, "");
        row("newer revision", Version("3.0.12"), true, "", Available("3.0.12"), "3.0.12");
        row("newer beyond 16 bits", Version("10.0.100"), false, "", Available("10.0.100"), "10.0.100");
        row("trailing CR LF", Version(" 3.0.7\r\n"), true, "", Available("3.0.7"), "3.0.7");
        row("30 characters, menu", Version("<html>Service unavailable</ht>"), true, "", failed, "");
        row("30 characters, automatic", Version("<html>Service unavailable</ht>"), false, "", "", "");
        row("short HTML", Version("<p>3.0.7</p>"), true, "", failed, "");
        row("empty body", Version(""), true, "", failed, "");
        row("not found", HttpResponse("3.0.7", "404 Not Found"), true, "", failed, "");
        row("redirect loop", HttpResponse("", "302 Found", "Location: /Version/Zettlor.txt\r\n"), true, "",
            failed, "");
        row("server down", QByteArray(), true, "", failed, "");
        row("no answer within the limit", "", true, "", failed, "");
    }
    void reportsEachAnswer()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, interactive);
        QFETCH(QString, announced);
        QFETCH(QString, message);
        std::optional<LocalWebServer> server;
        if (!response.isNull())
            server.emplace(21750, [&](const QByteArray &) { return response; });
        modSettings::WriteSetting(SettingKeys::CheckVersion, announced);
        modUpdateCheck::CheckForUpdate(interactive);
        QStringList expected;
        if (!message.isEmpty())
            expected << message;
        if (message.startsWith("Zettlor v"))
            expected << "open http://127.0.0.1:21750/AboutZettlor.asp";
        QCOMPARE(m_events, expected);
        QTEST(modSettings::ReadSetting(SettingKeys::CheckVersion), "announcedAfter");
        if (server)
            QVERIFY(server->requests.value(0).startsWith("GET /Version/Zettlor.txt HTTP/1.1\r\n"));
    }

    void questionAnsweredNoOpensNothing()
    {
        LocalWebServer server(21750, [](const QByteArray &) { return Version("3.0.7"); });
        modDialogs::SetDialogRunner([](QDialog &) { return QMessageBox::No; });
        modUpdateCheck::CheckForUpdate(true);
        QCOMPARE(m_events, QStringList());
        QCOMPARE(modSettings::ReadSetting(SettingKeys::CheckVersion), QString("3.0.7"));
    }

    // A check asked for while one waits runs after it, not inside it.
    void checksRunOneAfterAnother()
    {
        std::optional<LocalWebServer> server;
        server.emplace(21750, [&](const QByteArray &) {
            return Version(server->requests.size() == 1 ? "3.0.6" : "3.0.7");
        });
        server->onRequest = [&] {
            m_events << "request";
            if (server->requests.size() == 1)
                modUpdateCheck::CheckForUpdate(true);
        };
        modUpdateCheck::CheckForUpdate(true);
        QCOMPARE(m_events, QStringList({"request", kLatest, "request", Available("3.0.7"),
                                        "open http://127.0.0.1:21750/AboutZettlor.asp"}));
    }

    void storedCredentialsAnswerTheProxy_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("right credentials") << "ann"
                                           << "s3cret" << Available("3.0.7");
        QTest::newRow("wrong password") << "ann"
                                        << "guess" << Failed("zettlor.invalid");
        QTest::newRow("none stored") << ""
                                     << "" << Failed("zettlor.invalid");
    }
    void storedCredentialsAnswerTheProxy()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        modSettings::WriteProxyUsername(user);
        modSettings::WriteProxyPassword(password);
        LocalWebServer proxy(21751, [](const QByteArray &head) {
            if (head.contains("\r\nProxy-Authorization: Basic " + QByteArray("ann:s3cret").toBase64() +
                              "\r\n"))
                return Version("3.0.7");
            return HttpResponse("", "407 Proxy Authentication Required",
                                "Proxy-Authenticate: Basic realm=\"office\"\r\n");
        });
        qputenv("ZETTLOR_WEB_BASE", "http://zettlor.invalid");
        qputenv("http_proxy", "http://127.0.0.1:21751");
        modUpdateCheck::CheckForUpdate(true);
        QCOMPARE(m_events.value(0), message);
        QVERIFY(proxy.requests.value(0).startsWith("GET http://zettlor.invalid/Version/Zettlor.txt"));
    }

    // The real program on a display, where QDesktopServices hands addresses
    // to xdg-open: a script here that writes them down.
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
        QByteArray answer = Version("3.0.7");
        LocalWebServer server(21752, [&](const QByteArray &) { return answer; });
        const auto runOnce = [&] {
            ProgramProcess program(variables);
            QVERIFY(program.start({"--address", "127.0.0.70", "--port", "21700"}));
            QVERIFY(ProgramProcess::waitFor([&] { return program.errorOutput().contains("started;"); }));
            program.stop();
            QCOMPARE(program.waitForExit(), 0);
        };
        runOnce();
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(ReadBytes(root + "/dialogs.log"), "Zettlor|" + Available("3.0.7").toUtf8() + "\n");
        QVERIFY(ProgramProcess::waitFor([&] { return QFile::exists(root + "/opened"); }));
        QCOMPARE(ReadBytes(root + "/opened"), QByteArray("http://127.0.0.1:21752/AboutZettlor.asp\n"));
        runOnce(); // the same day: no check
        QCOMPARE(server.requests.size(), 1);
        modSettings::WriteSetting(SettingKeys::CheckForNewUpdatesDate, "2000-01-01");
        runOnce(); // another day, the same release: checked, not announced again
        QCOMPARE(server.requests.size(), 2);
        QCOMPARE(ReadBytes(root + "/dialogs.log").count('\n'), 1);
        // Told to end while the check waits for a silent server: it ends now.
        modSettings::WriteSetting(SettingKeys::CheckForNewUpdatesDate, "2000-01-01");
        answer.clear();
        ProgramProcess program(variables);
        QVERIFY(program.start({"--address", "127.0.0.70", "--port", "21700"}));
        QVERIFY(ProgramProcess::waitFor([&] { return server.requests.size() == 3; }));
        program.stop(); // kills it after 5 s
        QCOMPARE(program.waitForExit(), 0);
    }
};

ZETTLOR_TEST_CLASS(UpdateCheckTest)
#include "UpdateCheckTest.moc"

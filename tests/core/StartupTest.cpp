#include "DesktopActions.h"
#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "SessionManagerStub.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/CommandLine.h"
#include "core/modRegReadWrite.h"

#include <QDate>
#include <QDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// A note of 217 x 192 pixels at 480,96, and where a drag by 60,40 takes it.
const QByteArray kNote = "2880,3255,7200,1440,,Verdana,10,12648447,0,Note";
const QByteArray kMovedNote = "2880,3255,8100,2040,,Verdana,10,12648447,0,Note";

// The real program's environment on display with that note and options; its
// dialogs are shown, not recorded.
QProcessEnvironment ShownProgram(const TestEnvironment &environment, const PrivateDisplay &display,
                                 const QByteArray &options)
{
    WriteBytes(environment.defaultDataFolder() + "/Active/1.zln", kNote);
    WriteBytes(environment.configHome() + "/Zettlor/Zettlor.conf", "[Options]\n" + options);
    QProcessEnvironment variables = ProgramEnvironment(environment, display);
    variables.remove("ZETTLOR_DIALOG_LOG");
    return variables;
}

} // namespace

class StartupTest final : public QObject
{
    Q_OBJECT

private slots:
    void commandLineAnswers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer"); // the help's start, "version", or the error's start
        QTest::newRow("help") << QStringList{"-h"} << "Usage: zettlor [options] [folder]\n";
        QTest::newRow("version") << QStringList{"--version"} << "version";
        QTest::newRow("unknown option") << QStringList{"--help-all"} << "Unknown option 'help-all'.";
        QTest::newRow("bad address") << QStringList{"--address", "1.2.3"} << "--address";
        QTest::newRow("bad broadcast") << QStringList{"--broadcast", "255.255.255"} << "--broadcast";
        QTest::newRow("bad port") << QStringList{"--port", "70000"} << "--port";
    }
    void commandLineAnswers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        const CommandLine line = ParseCommandLine(QStringList("zettlor") + arguments);
        const QString given = line.showHelp ? CommandLineHelp() : line.showVersion ? "version" : line.error;
        QVERIFY2(given.startsWith(answer), qPrintable(given));
    }

    // Two starts after an older release's autostart entry "Zettlor": the first
    // writes the defaults and asks what it must; the user then removes the
    // entry, and the second start changes nothing.
    void startsWriteDefaultsAndAskOnce_data()
    {
        QTest::addColumn<QString>("where");       // "portable", a folder argument, or "": the default folder
        QTest::addColumn<QByteArray>("settings"); // the store's file before and after
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("entry");    // what the autostart entry starts; "" = none
        QTest::addColumn<QString>("question"); // how the recorded question starts; "" = none
        const auto row = [](const char *tag, QString where, QByteArray settings, QByteArray after,
                            QString entry, QString question = {}) {
            QTest::newRow(tag) << where << settings << after << entry << question;
        };
        const QByteArray today = QDate::currentDate().toString(Qt::ISODate).toLatin1();
        const QByteArray stored =
            "[Misc]\nVersion=3.0.6\n\n[Options]\nCheckForNewUpdates=True\nCheckForNewUpdatesDate=" + today +
            "\nCheckForNewUpdatesPrompted=True\n";
        const QByteArray older = "[Misc]\nVersion=2.9.9\n[Options]\n";
        const QByteArray atLogon = "StartWithWindows=True\n", notAtLogon = "StartWithWindows=False\n";
        row("folder argument", "/my notes\\", "", stored + atLogon, ProgramPath());
        row("new version, at logon", "", older + atLogon, stored + atLogon, ProgramPath());
        row("new version, not at logon", "", older + notAtLogon, stored + notAtLogon, "");
        // The recorded answer is No: the check stays off and is never asked again.
        row("release check off", "", "[Options]\nCheckForNewUpdates=False\n",
            "[Misc]\nVersion=3.0.6\n\n[Options]\nCheckForNewUpdates=False\nCheckForNewUpdatesPrompted="
            "True\n" +
                atLogon,
            ProgramPath(),
            "Zettlor|Zettlor is not currently set to automatically alert you when\\r\\nnew releases");
        row("portable", "portable", "[Options]\r\nSingleClickAction=Hide All Notes\r\n",
            "[Options]\r\nSingleClickAction=Hide All Notes\r\nCHECKFORNEWUPDATES=True\r\n"
            "CHECKFORNEWUPDATESPROMPTED=True\r\nCHECKFORNEWUPDATESDATE=" +
                today + "\r\n[Misc]\r\nVERSION=3.0.6\r\n",
            "/old/Zettlor3");
    }
    void startsWriteDefaultsAndAskOnce()
    {
        QFETCH(QString, where);
        QFETCH(QString, entry);
        QFETCH(QString, question);
        TestEnvironment environment;
        // A portable copy keeps everything beside itself and removes older releases' files there.
        const bool portable = where == "portable";
        const QString program = portable ? environment.programFolder() + "/zettlor" : ProgramPath();
        QVERIFY(!portable || QFile::copy(ProgramPath(), program));
        WriteBytes(environment.programFolder() + "/Note8.gif", "old");
        const QString settingsFile = portable ? environment.programFolder() + "/Settings.ini"
                                              : environment.configHome() + "/Zettlor/Zettlor.conf";
        QFETCH(QByteArray, settings);
        WriteBytes(settingsFile, settings);
        modRegReadWrite::WriteRegistryString("Zettlor", "/old/Zettlor3");
        QStringList arguments{"--address", "127.0.0.1", "--port", "21984"};
        if (!portable && !where.isEmpty())
            arguments << environment.root() + where;
        for (const QString &entryAfter : {entry, QString()}) {
            QVERIFY(ProgramProcess(ProgramEnvironment(environment)).startUp(arguments, program));
            QCOMPARE(modRegReadWrite::ReadRegistryValue("Zettlor"), entryAfter);
            modRegReadWrite::DeleteRegistryValue("Zettlor");
        }
        QTEST(ReadBytes(settingsFile), "after");
        const QString folder = portable          ? environment.programFolder()
                               : where.isEmpty() ? environment.defaultDataFolder()
                                                 : environment.root() + "/my notes";
        QVERIFY(QDir(folder + "/Pending").exists());
        QCOMPARE(QDir(environment.defaultDataFolder()).exists(), where.isEmpty());
        QCOMPARE(QFile::exists(environment.programFolder() + "/Note8.gif"), !portable);
        const QString dialogs = QString::fromUtf8(ReadBytes(environment.root() + "/dialogs.log"));
        QVERIFY2(dialogs.startsWith(question) && dialogs.count('\n') == (question.isEmpty() ? 0 : 1),
                 qPrintable(dialogs));
    }

    // The first copy runs under a file-size limit its settings exceed: the
    // writes fail like a full disk instead of ending it.
    void secondStartHandsOver()
    {
        TestEnvironment environment;
        ProgramProcess first(ProgramEnvironment(environment));
        first.process().setChildProcessModifier([] {
            const rlimit limit{16, 16};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
        QVERIFY(first.startUp({"--address", "127.0.0.1", "--port", "21979"}));
        ProgramProcess second(environment.processEnvironment());
        QVERIFY(second.start({"--address", "127.0.0.1", "--port", "21979"}));
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY(ProgramProcess::waitFor([&] { return first.errorOutput().contains("handed over"); }));
        first.stop();
        QCOMPARE(first.waitForExit(), 0);
    }

    // Every way the program is ended keeps a move made just before: the tray
    // menu's Exit, the signals and the session's die end with status 0, a
    // display that goes away with Qt's own status 1. Every save request of
    // the session saves at once, whatever it asks to save.
    void endingKeepsTheLastMove_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<int>("status");
        for (const char *ending : {"tray menu", "SIGTERM during the delete question", "SIGHUP",
                                   "session Local", "session Global", "session die"})
            QTest::newRow(ending) << QString(ending) << 0;
        QTest::newRow("X server gone 0.5 s later") << "X server" << 1;
    }
    void endingKeepsTheLastMove()
    {
        QFETCH(QString, ending);
        QFETCH(int, status);
        TestEnvironment environment;
        PrivateDisplay display(ending == "tray menu" ? PrivateDisplay::Tray::IceWm
                                                     : PrivateDisplay::Tray::None);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        SessionManagerStub session;
        QProcessEnvironment variables =
            ShownProgram(environment, display, "WhenDeletingNotes=Prompt to archive or delete note\n");
        variables.insert("SESSION_MANAGER", session.address());
        ProgramProcess program(variables);
        QVERIFY(program.startUp({"--address", "127.0.0.10", "--port", "21100"}));
        const QRect note =
            WaitForWindow(display, program, [](QRect w) { return w.size() == QSize(217, 192); });
        QVERIFY(Drag(display, note.topLeft() + QPoint(60, 24), QPoint(60, 40)));
        const QRect moved = note.translated(60, 40);
        QVERIFY(UseMenu(display, program, moved, {"Escape"})); // the drag is over

        const QString noteFile = environment.defaultDataFolder() + "/Active/1.zln";
        if (ending == "tray menu") {
            const auto icon = [](QRect w) { return w.width() <= 100 && w.height() <= 100; };
            QVERIFY(UseMenu(display, program, WaitForWindow(display, program, icon), {"Up", "Return"}));
        } else if (ending.startsWith("SIGTERM")) {
            QVERIFY(UseMenu(display, program, moved, {"Up", "Return"}));
            QVERIFY(WaitForWindow(display, program, [](QRect w) { return w.width() > 250; }).isValid());
            program.process().terminate();
        } else if (ending == "SIGHUP") {
            ::kill(program.process().processId(), SIGHUP);
        } else if (ending == "X server") {
            QTest::qWait(500);
            display.stopServer();
        } else {
            using Save = SessionManagerStub::SaveType;
            if (ending != "session die") {
                QVERIFY(session.saveYourself(ending == "session Local" ? Save::Local : Save::Global));
                QCOMPARE(ReadBytes(noteFile), kMovedNote); // sooner than the autosave, 2 s after the drag
            }
            session.die();
        }
        QCOMPARE(program.waitForExit(), status);
        QCOMPARE(ReadBytes(noteFile), kMovedNote);
    }

    void signalDuringTheStartQuestionEnds()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::None);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        ProgramProcess program(ShownProgram(environment, display, "CheckForNewUpdates=False\n"));
        QVERIFY(program.start({"--address", "127.0.0.10", "--port", "21101"}));
        QVERIFY(WaitForWindow(display, program, [](QRect w) { return w.width() > 250; }).isValid());
        program.process().terminate();
        QCOMPARE(program.waitForExit(), 0);
    }
};

ZETTLOR_TEST_CLASS(StartupTest)
#include "StartupTest.moc"

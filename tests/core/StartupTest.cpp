#include "DesktopActions.h"
#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "SessionManagerStub.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modRegReadWrite.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// A note of 217 x 192 pixels at 480,96.
const QByteArray kNote = "2880,3255,7200,1440,,Verdana,10,12648447,0,Note";
const QByteArray kMovedNote = "2880,3255,8100,2040,,Verdana,10,12648447,0,Note";
const QSize kNoteSize(217, 192);

} // namespace

class StartupTest final : public QObject
{
    Q_OBJECT

private slots:
    // Two starts after an older release's autostart entry "Zettlor": the first
    // writes the defaults and asks what it must; the user then removes the
    // entry, and the second start changes nothing.
    void startsWriteDefaultsAndAskOnce_data()
    {
        QTest::addColumn<QString>("folderArgument"); // empty: the default folder
        QTest::addColumn<QByteArray>("settings");    // the store's file before
        QTest::addColumn<QByteArray>("options");     // its [Options] after
        QTest::addColumn<QString>("entry");          // what the autostart entry starts; "" = none
        QTest::addColumn<QString>("question");       // how the recorded question starts; "" = none
        const auto row = [](const char *tag, QString folderArgument, QByteArray settings, QByteArray options,
                            QString entry, QString question = {}) {
            QTest::newRow(tag) << folderArgument << settings << options << entry << question;
        };
        const QByteArray checks = "CheckForNewUpdates=True\nCheckForNewUpdatesDate=" +
                                  QDate::currentDate().toString(Qt::ISODate).toLatin1() +
                                  "\nCheckForNewUpdatesPrompted=True\n";
        const QByteArray older = "[Misc]\nVersion=2.9.9\n[Options]\n";
        const QByteArray atLogon = "StartWithWindows=True\n", notAtLogon = "StartWithWindows=False\n";
        row("folder argument", "/my notes\\", "", checks + atLogon, ProgramPath());
        row("new version, at logon", "", older + atLogon, checks + atLogon, ProgramPath());
        row("new version, not at logon", "", older + notAtLogon, checks + notAtLogon, "");
        // The recorded answer is No: the check stays off and is never asked again.
        row("release check off", "", "[Options]\nCheckForNewUpdates=False\n",
            "CheckForNewUpdates=False\nCheckForNewUpdatesPrompted=True\n" + atLogon, ProgramPath(),
            "Zettlor|Zettlor is not currently set to automatically alert you when\\r\\nnew releases");
    }
    void startsWriteDefaultsAndAskOnce()
    {
        QFETCH(QString, folderArgument);
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, options);
        QFETCH(QString, entry);
        QFETCH(QString, question);
        TestEnvironment environment;
        const QString settingsFile = environment.configHome() + "/Zettlor/Zettlor.conf";
        WriteBytes(settingsFile, settings);
        modRegReadWrite::WriteRegistryString("Zettlor", "/old/Zettlor3");
        QStringList arguments{"--address", "127.0.0.1", "--port", "21984"};
        if (!folderArgument.isEmpty())
            arguments << environment.root() + folderArgument;
        for (const QString &entryAfter : {entry, QString()}) {
            QVERIFY(ProgramProcess(ProgramEnvironment(environment)).startUp(arguments));
            QCOMPARE(modRegReadWrite::ReadRegistryValue("Zettlor"), entryAfter);
            modRegReadWrite::DeleteRegistryValue("Zettlor");
        }
        QCOMPARE(ReadBytes(settingsFile), "[Misc]\nVersion=3.0.6\n\n[Options]\n" + options);
        const QString folder =
            folderArgument.isEmpty() ? environment.defaultDataFolder() : environment.root() + "/my notes";
        QVERIFY(QDir(folder + "/Pending").exists());
        QCOMPARE(QDir(environment.defaultDataFolder()).exists(), folderArgument.isEmpty());
        const QString dialogs = QString::fromUtf8(ReadBytes(environment.root() + "/dialogs.log"));
        QVERIFY2(dialogs.startsWith(question) && dialogs.count('\n') == (question.isEmpty() ? 0 : 1),
                 qPrintable(dialogs));
    }

    void secondStartHandsOver()
    {
        TestEnvironment environment;
        ProgramProcess first(ProgramEnvironment(environment));
        QVERIFY(first.startUp({"--address", "127.0.0.1", "--port", "21979"}));
        ProgramProcess second(environment.processEnvironment());
        QVERIFY(second.start({"--address", "127.0.0.1", "--port", "21979"}));
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY(ProgramProcess::waitFor([&] { return first.errorOutput().contains("handed over"); }));
        QVERIFY(first.isRunning());
    }

    void portableModeKeepsEverythingBesideTheProgram()
    {
        TestEnvironment environment;
        const QString program = environment.programFolder() + "/zettlor";
        QVERIFY(QFile::copy(ProgramPath(), program));
        const QString settings = environment.programFolder() + "/Settings.ini";
        WriteBytes(settings, "[Options]\r\nSingleClickAction=Hide All Notes\r\n");
        const QStringList legacy{"Note1.gif", "Note8.gif", "Zettlor.exe", "NewNote.wav"};
        for (const QString &name : legacy)
            WriteBytes(environment.programFolder() + "/" + name, "old");
        QVERIFY(ProgramProcess(ProgramEnvironment(environment)).startUp({"--port", "21981"}, program));
        QVERIFY(QDir(environment.programFolder() + "/Pending").exists());
        const QString stored = QString::fromUtf8(ReadBytes(settings));
        QVERIFY2(stored.startsWith(
                     "[Options]\r\nSingleClickAction=Hide All Notes\r\nCHECKFORNEWUPDATES=True\r\n") &&
                     stored.contains("VERSION=3.0.6\r\n") && !stored.contains("STARTWITHWINDOWS"),
                 qPrintable(stored));
        for (const QString &name : legacy)
            QVERIFY2(!QFile::exists(environment.programFolder() + "/" + name), qPrintable(name));
        QVERIFY(QDir(environment.configHome()).isEmpty());
    }

    // Every way the program is ended keeps a move made just before: the
    // menus' Exit, the signals and the session's die end with status 0, a
    // display that goes away with Qt's own status 1. Every save request of
    // the session saves at once, whatever it asks to save.
    void endingKeepsTheLastMove_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<int>("status");
        QTest::newRow("Exit in the tray menu") << "tray menu" << true << 0;
        QTest::newRow("Exit in the control window's menu") << "control window" << false << 0;
        QTest::newRow("SIGTERM during the delete question") << "delete question" << true << 0;
        QTest::newRow("SIGHUP") << "SIGHUP" << true << 0;
        QTest::newRow("X server gone 0.5 s later") << "X server" << true << 1;
        QTest::newRow("session saves Local, dies") << "session Local" << false << 0;
        QTest::newRow("session saves Global, dies") << "session Global" << false << 0;
        QTest::newRow("session dies without a save") << "session die" << false << 0;
    }
    void endingKeepsTheLastMove()
    {
        QFETCH(QString, ending);
        QFETCH(bool, tray);
        QFETCH(int, status);
        TestEnvironment environment;
        PrivateDisplay display(tray ? PrivateDisplay::Tray::IceWm : PrivateDisplay::Tray::None);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        SessionManagerStub session;
        const QString noteFile = environment.defaultDataFolder() + "/Active/1.zln";
        WriteBytes(noteFile, kNote);
        WriteBytes(environment.configHome() + "/Zettlor/Zettlor.conf",
                   "[Options]\nWhenDeletingNotes=Prompt to archive or delete note\n");
        QProcessEnvironment variables = ProgramEnvironment(environment, display);
        variables.remove("ZETTLOR_DIALOG_LOG");
        variables.insert("SESSION_MANAGER", session.address());
        ProgramProcess program(variables);
        QVERIFY(program.startUp({"--address", "127.0.0.10", "--port", "21100"}));
        const QRect note = WaitForWindow(display, program, [](QRect w) { return w.size() == kNoteSize; });
        QVERIFY2(note.isValid(), "no note window");
        QVERIFY(Drag(display, note.topLeft() + QPoint(60, 24), QPoint(60, 40)));
        const QRect moved = note.translated(60, 40);
        QVERIFY(UseMenu(display, program, moved, {"Escape"})); // the drag is over

        using Save = SessionManagerStub::SaveType;
        const QHash<QString, Save> saves{{"session Local", Save::Local}, {"session Global", Save::Global}};
        const auto small = [](QRect w) { return w.width() <= 100 && w.height() <= 100; };
        if (ending == "tray menu" || ending == "control window") {
            QVERIFY(UseMenu(display, program, WaitForWindow(display, program, small), {"Up", "Return"}));
        } else if (ending == "delete question") {
            QVERIFY(UseMenu(display, program, moved, {"Up", "Return"}));
            QVERIFY(WaitForWindow(display, program, [](QRect w) { return w.width() > 250; }).isValid());
            program.process().terminate();
        } else if (ending == "SIGHUP") {
            ::kill(program.process().processId(), SIGHUP);
        } else if (ending == "X server") {
            QTest::qWait(500);
            display.stopServer();
        } else {
            if (saves.contains(ending)) {
                QVERIFY(session.saveYourself(saves.value(ending)));
                // Sooner than the autosave, 2 s after the drag.
                QCOMPARE(ReadBytes(noteFile), kMovedNote);
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
        WriteBytes(environment.configHome() + "/Zettlor/Zettlor.conf",
                   "[Options]\nCheckForNewUpdates=False\n");
        QProcessEnvironment variables = ProgramEnvironment(environment, display);
        variables.remove("ZETTLOR_DIALOG_LOG");
        ProgramProcess program(variables);
        QVERIFY(program.start({"--address", "127.0.0.10", "--port", "21101"}));
        QVERIFY(WaitForWindow(display, program, [](QRect w) { return w.width() > 250; }).isValid());
        program.process().terminate();
        QCOMPARE(program.waitForExit(), 0);
    }

    // Settings and notes written beyond the limit fail like a full disk.
    void fileSizeLimitDoesNotEndTheProgram()
    {
        TestEnvironment environment;
        ProgramProcess program(ProgramEnvironment(environment));
        program.process().setChildProcessModifier([] {
            const rlimit limit{16, 16};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
        QVERIFY(program.startUp({"--address", "127.0.0.11", "--port", "21102"}));
        program.stop();
        QCOMPARE(program.waitForExit(), 0);
    }

    void commandLineAnswers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // how stdout, or else stderr, starts
        const auto row = [](const char *tag, QStringList arguments, bool display, int code, QString output) {
            QTest::newRow(tag) << arguments << display << code << output;
        };
        row("version", {"--version"}, true, 0, "Zettlor 3.0.6\n");
        row("help", {"-h"}, true, 0, "Usage: zettlor [options] [folder]\n");
        row("unknown option", {"--help-all"}, true, 2, "zettlor: Unknown option 'help-all'.");
        row("bad address", {"--address", "1.2.3"}, true, 2, "zettlor: --address");
        row("bad broadcast", {"--broadcast", "255.255.255"}, true, 2, "zettlor: --broadcast");
        row("bad port", {"--port", "70000"}, true, 2, "zettlor: --port");
        row("no display", {}, false, 1, "zettlor: no display");
    }
    void commandLineAnswers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, display);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        TestEnvironment environment;
        QProcessEnvironment childEnvironment = environment.processEnvironment();
        if (!display)
            for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                childEnvironment.remove(name);
        ProgramProcess program(childEnvironment);
        QVERIFY(program.start(arguments));
        QCOMPARE(program.waitForExit(), exitCode);
        // Answers go to stdout; errors are one line on stderr and nothing else.
        const QString out = program.standardOutput();
        const QString err = program.errorOutput();
        QVERIFY2(exitCode == 0 ? out.startsWith(output) && err.isEmpty()
                               : out.isEmpty() && err.startsWith(output) && err.count('\n') == 1,
                 qPrintable(out + err));
        QVERIFY(!QDir(environment.defaultDataFolder()).exists());
    }
};

ZETTLOR_TEST_CLASS(StartupTest)
#include "StartupTest.moc"

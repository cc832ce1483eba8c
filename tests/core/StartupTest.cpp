#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "core/Globals.h"
#include "core/ModMain.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "core/modProcessKiller.h"
#include "core/modRegReadWrite.h"
#include "core/modSettings.h"
#include "notes/winNote.h"
#include "platform/Platform.h"
#include "tray/winMenu.h"

#include <QDir>
#include <QLocalServer>
#include <QMessageBox>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace modRegReadWrite;

namespace {

// The first shown window of the program that fits, within 5 s; invalid if none.
QRect WaitForWindow(const PrivateDisplay &display, ProgramProcess &program,
                    const std::function<bool(QRect)> &fits)
{
    QRect found;
    ProgramProcess::waitFor(
        [&] {
            for (const QRect &window : display.windowsOf(program.process().processId()))
                if (fits(window))
                    found = window;
            return found.isValid() || !program.isRunning();
        },
        5000);
    return found;
}

// Presses the left button at from, moves by in six even steps and lets go.
bool Drag(const PrivateDisplay &display, QPoint from, QPoint by)
{
    const auto moveTo = [](QPoint to) {
        return QStringList{"mousemove", QString::number(to.x()), QString::number(to.y())};
    };
    QStringList steps = moveTo(from) + QStringList{"sleep", "0.15", "mousedown", "1"};
    for (int step = 1; step <= 6; ++step)
        steps += QStringList{"sleep", "0.03"} + moveTo(from + by * step / 6);
    return display.run("xdotool", steps + QStringList{"sleep", "0.1", "mouseup", "1"});
}

// Right click on window, keys in the menu it opens (with the pointer off the menu, Up selects the last item),
// and the menu gone again. Once the menu shows, the program has handled every input before the click.
bool UseMenu(const PrivateDisplay &display, ProgramProcess &program, QRect window, const QStringList &keys)
{
    const QString x = QString::number(window.center().x()), y = QString::number(window.center().y());
    const auto shown = [&] {
        const QList<qulonglong> ids = display.windowsOf(program.process().processId()).keys();
        return QSet<qulonglong>(ids.cbegin(), ids.cend());
    };
    const QSet<qulonglong> before = shown();
    QSet<qulonglong> menu;
    return display.run("xdotool", {"mousemove", x, y, "sleep", "0.15", "click", "3"}) &&
           ProgramProcess::waitFor([&] { return !(menu = shown() - before).isEmpty(); }, 5000) &&
           display.run("xdotool", QStringList{"sleep", "0.25", "mousemove", "3", "3", "sleep", "0.15", "key",
                                              "--delay", "80"} +
                                      keys) &&
           ProgramProcess::waitFor([&] { return !shown().intersects(menu); }, 5000);
}

} // namespace

class StartupTest final : public QObject
{
    Q_OBJECT

private slots:
    // Answered before any window system is needed: a mistake on standard error.
    void commandLineAnswers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("answer"); // how its output starts
        QTest::newRow("help") << QStringList{"-h"} << 0 << "Usage: zettlor [options] [folder]\n";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "Zettlor 3.0.6\n";
        QTest::newRow("Qt's option") << QStringList{"--help-all"} << 2
                                     << "zettlor: Unknown option 'help-all'.";
        QTest::newRow("bad address") << QStringList{"--address", "1.2.3"} << 2 << "zettlor: --address";
        QTest::newRow("bad port") << QStringList{"--port", "70000"} << 2 << "zettlor: --port";
        QTest::newRow("no display") << QStringList{} << 1 << "zettlor: no display found";
    }
    void commandLineAnswers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        TestEnvironment environment;
        QProcessEnvironment variables = environment.processEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            variables.remove(name);
        ProgramProcess program(variables);
        program.process().setProcessChannelMode(QProcess::MergedChannels); // help and mistakes alike
        QVERIFY(program.start(arguments));
        QTEST(program.waitForExit(), "status");
        const QString given = program.process().readAll();
        QVERIFY2(given.startsWith(answer), qPrintable(given));
    }

    // Two starts after an older release left notes and autostart entries: the first writes the defaults,
    // turns notes into files and asks what it must; with the entry then removed, the second changes nothing.
    void startsWriteDefaultsAndAskOnce_data()
    {
        QTest::addColumn<QString>("folder"); // the folder argument, or "portable"
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("entry");   // what the entry "Zettlor" starts after the first start
        QTest::addColumn<QByteArray>("note"); // the text of the one note file made
        const auto row = [](const char *tag, QString folder, QByteArray settings, QByteArray after,
                            QString entry, QByteArray note = {}) {
            QTest::newRow(tag) << folder << settings << after << entry << note;
        };
        const QString self = QCoreApplication::applicationFilePath();
        const QByteArray version = "[Misc]\nVersion=3.0.6\n\n[Options]\n",
                         older = "[Misc]\nVersion=2.9.9\n[Options]\n";
        const QByteArray stored = version + "CheckForNewUpdates=True\nCheckForNewUpdatesPrompted=True\n";
        const QByteArray atLogon = "StartWithWindows=True\n", notAtLogon = "StartWithWindows=False\n";
        row("folder argument", "/my notes\\", "", stored + atLogon, self);
        // Asked once about the release check; the answer is No: it stays off.
        const QByteArray off = "CheckForNewUpdates=False\n";
        row("new version, at logon, release check off", "", older + off + atLogon,
            version + off + "CheckForNewUpdatesPrompted=True\n" + atLogon, self);
        // Nine commas in the text: read bare, its start would be taken for the note's fields.
        row("new version, not at logon, legacy note", "",
            "[General]\nNote30=\"a,b,Shopping && errands,1,2,3,4,5,6,7,8,9\"\n" + older + notAtLogon,
            "[General]\nNote30=\n\n" + stored + notAtLogon, "",
            ",,,,,,,,,Shopping & errands,1,2,3,4,5,6,7,8,9");
        // Its Active cannot be made: the note stays in the settings.
        row("portable", "portable", "[\\]\r\nNote30=a,b,milk\r\n",
            "[\\]\r\nNote30=a,b,milk\r\n[Misc]\r\nVERSION=3.0.6\r\n[Options]\r\nCHECKFORNEWUPDATES=True\r\n"
            "CHECKFORNEWUPDATESPROMPTED=True\r\n",
            "/old/Zettlor3");
    }
    void startsWriteDefaultsAndAskOnce()
    {
        QFETCH(QString, folder);
        QFETCH(QString, entry);
        TestEnvironment environment;
        QFETCH(QByteArray, settings);
        const bool portable = folder == "portable";
        const QString settingsFile = portable ? modSettings::PortableSettingsFile()
                                              : environment.configHome() + "/Zettlor/Zettlor.conf";
        WriteBytes(settingsFile, settings);
        WriteBytes(environment.programFolder() + (portable ? "/Active" : "/Note8.gif"), "");
        for (const char *name : {"Zettlor Note Launcher", "Other"})
            WriteBytes(AutostartFolder() + "/" + name + ".desktop", "");
        WriteRegistryString("Zettlor", "/old/Zettlor3");
        int questions = 0;
        modDialogs::SetDialogRunner([&](QDialog &) { return ++questions, int(QMessageBox::No); });
        for (const QString &entryAfter : {entry, QString()}) {
            ModMain::SettleDataFolder();
            if (!portable && !folder.isEmpty())
                ModMain::ApplyCommandLineFolder(environment.root() + folder);
            modFiles::CreateDataFolders();
            ModMain::HandleVersionChange();
            ModMain::AskForReleaseCheckConsent();
            ModMain::RegisterOnFirstRun();
            QCOMPARE(ReadRegistryValue("Zettlor"), entryAfter);
            DeleteRegistryValue("Zettlor");
        }
        QTEST(ReadBytes(settingsFile), "after");
        QCOMPARE(questions, int(settings.contains("CheckForNewUpdates=False")));
        QCOMPARE(DataFolder, portable           ? environment.programFolder()
                             : folder.isEmpty() ? environment.defaultDataFolder()
                                                : environment.root() + "/my notes");
        const QStringList notes = QDir(modFiles::ActiveFolder()).entryList(QDir::Files);
        QTEST(notes.isEmpty() ? QByteArray() : ReadBytes(modFiles::ActiveFolder() + "/" + notes[0]), "note");
        QCOMPARE(QDir(AutostartFolder()).entryList(QDir::Files), QStringList("Other.desktop"));
        QVERIFY(!QFile::exists(environment.programFolder() + "/Note8.gif"));
    }

    // The entry written starts the executable whatever its name holds, and
    // replaces a link to a shared file, which stays.
    void entryStartsTheExecutable_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("exec");
        QTest::newRow("blanks and specials")
            << "/home/me/it's \"my\" $notes & 100% `x` \\ here/z"
            << QByteArray(
                   "Exec=\"/home/me/it's \\\\\"my\\\\\" \\\\$notes & 100%% \\\\`x\\\\` \\\\\\\\ here/z\"");
        QTest::newRow("line break") << "/tmp/a\nHidden=true/z"
                                    << QByteArray(R"(Exec="/tmp/a\nHidden=true/z")");
    }
    void entryStartsTheExecutable()
    {
        QFETCH(QString, executable);
        QFETCH(QByteArray, exec);
        TestEnvironment environment;
        const QString entry = AutostartFolder() + "/Zettlor.desktop", shared = environment.root() + "/shared";
        WriteBytes(shared, "[Desktop Entry]\nExec=other\n");
        QDir().mkpath(AutostartFolder());
        QFile::link(shared, entry);
        QVERIFY(WriteRegistryString("Zettlor", executable));
        QCOMPARE(ReadBytes(entry), "[Desktop Entry]\nType=Application\nName=Zettlor\n" + exec +
                                       "\nIcon=zettlor\nX-GNOME-Autostart-enabled=true\n");
        QCOMPARE(ReadRegistryValue("Zettlor"), executable);
        QCOMPARE(ReadBytes(shared), QByteArray("[Desktop Entry]\nExec=other\n"));
    }

    void readsOnlyAnEntryThatRuns_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        const QByteArray entry = "[Desktop Entry]\nType=Application\nExec = /usr/bin/zettlor %U\n";
        QTest::newRow("unquoted, with a field code") << entry << "/usr/bin/zettlor";
        QTest::newRow("hidden") << entry + "Hidden=true\n" << QString();
        QTest::newRow("switched off") << entry + "X-GNOME-Autostart-enabled=false\n" << QString();
    }
    void readsOnlyAnEntryThatRuns()
    {
        QFETCH(QByteArray, content);
        TestEnvironment environment;
        WriteBytes(AutostartFolder() + "/Zettlor.desktop", content);
        QTEST(ReadRegistryValue("Zettlor"), "expected");
    }

    // The tray's Exit while the notes load: loading stops, and start-up asks and listens for nothing more.
    void exitWhileLoadingEndsStartUp()
    {
        TestEnvironment environment;
        WriteBytes(environment.configHome() + "/Zettlor/Zettlor.conf",
                   "[Misc]\nVersion=" + ProgramVersion.toUtf8() + "\n[Options]\nCheckForNewUpdates=False\n");
        for (int i = 0; i < 120; ++i)
            WriteBytes(QString("%1/Active/%2.zln").arg(environment.defaultDataFolder()).arg(i),
                       "2880,3255,150,150,,Verdana,10,0,0,a");
        int questions = 0;
        modDialogs::SetDialogRunner([&](QDialog &) { return ++questions, int(QMessageBox::No); });
        QTimer::singleShot(0, &ModMain::ExitProgram);
        const std::optional<int> status = ModMain::Main({.bindAddress = "127.0.0.1", .port = 21981});
        const qsizetype loaded = winNote::AllNotes().size();
        DeleteWindows({"winNote"});
        delete winMenu::Instance();
        QCOMPARE(status, std::optional<int>(0));
        QCOMPARE(questions, 0);
        QVERIFY2(loaded < 120, qPrintable(QString::number(loaded)));
    }

    // The first copy's settings exceed its file-size limit: writes fail as on a full disk, not ending it.
    // Without a runtime folder, another user's socket under our name must not stop the start or take over.
    void secondStartHandsOver_data()
    {
        QTest::addColumn<bool>("sharedTemp");
        QTest::newRow("runtime folder") << false;
        QTest::newRow("shared temp folder, our name taken") << true;
    }
    void secondStartHandsOver()
    {
        QFETCH(bool, sharedTemp);
        TestEnvironment environment;
        QProcessEnvironment firstVariables = ProgramEnvironment(environment);
        QProcessEnvironment variables = environment.processEnvironment();
        QLocalServer squatter;
        if (sharedTemp) {
            firstVariables.remove("XDG_RUNTIME_DIR");
            variables.remove("XDG_RUNTIME_DIR");
            QVERIFY(squatter.listen(
                QString("%1/Zettlor-%2.socket").arg(variables.value("TMPDIR"), platform::CurrentUserName())));
        }
        ProgramProcess first(firstVariables);
        first.process().setChildProcessModifier([] {
            const rlimit limit{16, 16};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
        QVERIFY(first.startUp({"--address", "127.0.0.1", "--port", "21979"}));
        ProgramProcess second(variables);
        QVERIFY(second.start({"--address", "127.0.0.1", "--port", "21979"}));
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY(ProgramProcess::waitFor([&] { return first.errorOutput().contains("handed over"); }));
        first.stop();
        QCOMPARE(first.waitForExit(), 0);
    }

    // An older release's process ends at a version change; another user's stays.
    void legacyProcessesEnd_data()
    {
        QTest::addColumn<bool>("otherUser");
        QTest::newRow("ours") << false;
        QTest::newRow("another user's") << true;
    }
    void legacyProcessesEnd()
    {
        QFETCH(bool, otherUser);
        if (otherUser && ::geteuid() != 0)
            QSKIP("only root starts a process as another user");
        TestEnvironment environment;
        const QString legacy = environment.root() + "/Zettlor.exe";
        QVERIFY(QFile::copy("/bin/sleep", legacy));
        QFile::setPermissions(environment.root(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
        QProcess process;
        if (otherUser)
            process.setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(127);
            });
        process.start(legacy, {"30"});
        QVERIFY(process.waitForStarted());
        modProcessKiller::KillLegacyProcesses(1);
        process.waitForFinished(1000);
        QCOMPARE(process.state() == QProcess::NotRunning, !otherUser);
        process.kill();
        process.waitForFinished();
    }

    // Every ending keeps a move made just before, with status 0 (Qt's own 1 for a lost display), a signal
    // during start-up's question too. An unsaved move makes the tray's Exit ask (No goes on), the end fail.
    void endingKeepsTheLastMove_data()
    {
        QTest::addColumn<QString>("ending");
        for (const char *ending :
             {"tray menu", "tray menu, note cannot be saved", "SIGHUP during the delete question",
              "SIGTERM during the start question", "X server gone 0.5 s later"})
            QTest::newRow(ending) << QString(ending);
    }
    void endingKeepsTheLastMove()
    {
        QFETCH(QString, ending);
        TestEnvironment environment;
        PrivateDisplay display(ending.startsWith("tray menu") ? PrivateDisplay::Tray::IceWm
                                                              : PrivateDisplay::Tray::None);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        // A note of 217 x 192 pixels at 480,96, and where a drag by 60,40 takes it.
        const QString noteFile = environment.defaultDataFolder() + "/Active/1.zln";
        WriteBytes(noteFile, "2880,3255,7200,1440,,Verdana,10,12648447,0,Note");
        const QByteArray moved = "2880,3255,8100,2040,,Verdana,10,12648447,0,Note";
        const bool question = ending.endsWith("start question");
        WriteBytes(environment.configHome() + "/Zettlor/Zettlor.conf",
                   "[Options]\nWhenDeletingNotes=Prompt to archive or delete note\n" +
                       QByteArray(question ? "CheckForNewUpdates=False\n" : ""));
        const bool blocked = ending.endsWith("cannot be saved");
        QProcessEnvironment variables = ProgramEnvironment(environment, display);
        if (!blocked)
            variables.remove("ZETTLOR_DIALOG_LOG"); // shown, not recorded
        ProgramProcess program(variables);
        const auto dialog = [](QRect w) { return w.width() > 250; };
        const QStringList arguments{"--address", "127.0.0.10", "--port", "21100"};
        if (question) { // start-up waits for the answer
            QVERIFY(program.start(arguments) && WaitForWindow(display, program, dialog).isValid());
            program.process().terminate();
            QCOMPARE(program.waitForExit(), 0);
            return;
        }
        QVERIFY(program.startUp(arguments));
        const QRect there = WaitForWindow(display, program, [](QRect w) {
                                return w.size() == QSize(217, 192);
                            }).translated(60, 40);
        QVERIFY(!blocked || (QFile::remove(noteFile) && QDir().mkpath(noteFile))); // blocks even root
        QVERIFY(Drag(display, there.topLeft() + QPoint(0, -16), QPoint(60, 40)));
        QVERIFY(UseMenu(display, program, there, {"Escape"})); // the drag is over
        if (ending.startsWith("tray menu")) {
            const auto icon = [](QRect w) { return w.width() <= 100 && w.height() <= 100; };
            QVERIFY(UseMenu(display, program, WaitForWindow(display, program, icon), {"Up", "Return"}));
            if (blocked) {
                QVERIFY(ProgramProcess::waitFor(
                    [&] { return ReadBytes(environment.root() + "/dialogs.log").contains("anyway?"); }));
                QCOMPARE(program.waitForExit(1000), -1);
                program.process().terminate();
            }
        } else if (ending.startsWith("SIGHUP")) {
            QVERIFY(UseMenu(display, program, there, {"Up", "Return"}));
            QVERIFY(WaitForWindow(display, program, dialog).isValid());
            ::kill(program.process().processId(), SIGHUP);
        } else {
            QTest::qWait(500);
            display.stopServer();
        }
        QCOMPARE(program.waitForExit(), ending.startsWith("X server") || blocked ? 1 : 0);
        QCOMPARE(ReadBytes(noteFile), blocked ? QByteArray() : moved);
    }
};

ZETTLOR_TEST_CLASS(StartupTest)
#include "StartupTest.moc"

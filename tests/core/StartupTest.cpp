#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

namespace {

// Runs zettlor in the test's environment, with start-up reported on stderr
// and dialogs recorded instead of shown.
struct RunningProgram
{
    explicit RunningProgram(const TestEnvironment &environment, QProcessEnvironment extra = {})
        : dialogLog(environment.root() + "/dialogs.log"), program(Environment(environment, extra, dialogLog))
    {
    }

    static QProcessEnvironment Environment(const TestEnvironment &environment, const QProcessEnvironment &extra,
                                           const QString &dialogLog)
    {
        QProcessEnvironment result = environment.processEnvironment();
        result.insert("QT_LOGGING_RULES", "zettlor.core.info=true");
        result.insert("ZETTLOR_DIALOG_LOG", dialogLog);
        for (const QString &name : extra.keys())
            result.insert(name, extra.value(name));
        return result;
    }

    bool startAndWait(const QStringList &arguments = {}, const QString &executable = {})
    {
        program.process().setProgram(executable.isEmpty() ? ProgramPath() : executable);
        program.process().setArguments(arguments);
        program.process().start();
        return program.process().waitForStarted(5000)
               && ProgramProcess::waitFor([this] { return program.errorOutput().contains("started;"); });
    }

    QStringList dialogs() const
    {
        QFile file(dialogLog);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QString dialogLog;
    ProgramProcess program;
};

QString NativeSetting(const TestEnvironment &environment, const QString &key)
{
    QSettings store(environment.configHome() + "/Zettlor/Zettlor.conf", QSettings::IniFormat);
    return store.value(key).toString();
}

// A copy of the executable in the test's program folder, for portable mode.
QString CopyProgram(const TestEnvironment &environment)
{
    const QString copy = environment.programFolder() + "/zettlor";
    QFile::copy(ProgramPath(), copy);
    return copy;
}

const QStringList kSubFolders{"Active", "Archive", "Incoming", "Pending"};

} // namespace

class StartupTest final : public QObject
{
    Q_OBJECT

private slots:
    void firstStartWritesDefaults()
    {
        TestEnvironment environment;
        RunningProgram run(environment);
        QVERIFY(run.startAndWait({"--address", "127.0.0.1", "--port", "41978"}));
        run.program.stop();
        for (const char *key : {"Options/CheckForNewUpdates", "Options/CheckForNewUpdatesPrompted",
                                "Options/StartWithWindows"})
            QCOMPARE(NativeSetting(environment, key), QString("True"));
        QCOMPARE(NativeSetting(environment, "Misc/Version"), QString("3.0.6"));
        QCOMPARE(NativeSetting(environment, "Options/CheckForNewUpdatesDate"),
                 QDate::currentDate().toString(Qt::ISODate));
        for (const QString &sub : kSubFolders)
            QVERIFY(QDir(environment.defaultDataFolder() + "/" + sub).exists());
        QCOMPARE(run.dialogs(), QStringList());
    }

    void secondStartHandsOver()
    {
        TestEnvironment environment;
        RunningProgram first(environment);
        QVERIFY(first.startAndWait({"--address", "127.0.0.1", "--port", "41979"}));
        ProgramProcess second(environment.processEnvironment());
        QVERIFY(second.start({"--address", "127.0.0.1", "--port", "41979"}));
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY(ProgramProcess::waitFor([&] { return first.program.errorOutput().contains("handed over"); }));
        QVERIFY(first.program.isRunning());
        QVERIFY(!second.errorOutput().contains("started;"));
    }

    void commandLineFolder_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("plain") << "";
        QTest::newRow("trailing slash") << "/";
        QTest::newRow("trailing backslash") << "\\";
    }
    void commandLineFolder()
    {
        QFETCH(QString, suffix);
        TestEnvironment environment;
        const QString folder = environment.root() + "/my notes";
        RunningProgram run(environment);
        QVERIFY(run.startAndWait({folder + suffix, "--port", "41980"}));
        run.program.stop();
        for (const QString &sub : kSubFolders)
            QVERIFY2(QDir(folder + "/" + sub).exists(), qPrintable(sub));
        QVERIFY(!QDir(environment.defaultDataFolder()).exists());
        QVERIFY(!QFile::exists(folder + "\\"));
    }

    void portableModeKeepsEverythingBesideTheProgram()
    {
        TestEnvironment environment;
        const QString program = CopyProgram(environment);
        const QString settings = environment.programFolder() + "/Settings.ini";
        WriteBytes(settings, "[Options]\r\nSingleClickAction=Hide All Notes\r\n");
        for (const char *legacy : {"Note1.gif", "Note8.gif", "Zettlor.exe", "NewNote.wav"})
            WriteBytes(environment.programFolder() + "/" + legacy, "old");
        RunningProgram run(environment);
        QVERIFY(run.startAndWait({"--port", "41981"}, program));
        run.program.stop();
        for (const QString &sub : kSubFolders)
            QVERIFY(QDir(environment.programFolder() + "/" + sub).exists());
        const QString stored = QString::fromUtf8(ReadBytes(settings));
        QVERIFY2(stored.contains("SingleClickAction=Hide All Notes"), qPrintable(stored));
        QVERIFY(stored.contains("CHECKFORNEWUPDATES=True\r\n"));
        QVERIFY(stored.contains("VERSION=3.0.6\r\n"));
        QVERIFY(!stored.contains("STARTWITHWINDOWS"));
        for (const char *legacy : {"Note1.gif", "Note8.gif", "Zettlor.exe", "NewNote.wav"})
            QVERIFY2(!QFile::exists(environment.programFolder() + "/" + legacy), legacy);
        QVERIFY(!QFile::exists(environment.configHome() + "/Zettlor/Zettlor.conf"));
        // Once the version is stored, a file of that name is left alone.
        WriteBytes(environment.programFolder() + "/Note1.gif", "mine");
        RunningProgram again(environment);
        QVERIFY(again.startAndWait({"--port", "41982"}, program));
        again.program.stop();
        QVERIFY(QFile::exists(environment.programFolder() + "/Note1.gif"));
    }

    void releaseCheckQuestionIsAskedOnce()
    {
        TestEnvironment environment;
        WriteBytes(environment.configHome() + "/Zettlor/Zettlor.conf", "[Options]\nCheckForNewUpdates=False\n");
        for (int start = 0; start < 2; ++start) {
            RunningProgram run(environment);
            QVERIFY(run.startAndWait({"--port", "41983"}));
            run.program.stop();
        }
        RunningProgram probe(environment);
        const QStringList dialogs = probe.dialogs();
        QVERIFY2(dialogs.first().startsWith("Zettlor|Zettlor is not currently set to automatically alert you when\\r\\n"
                                           "new releases are available.\\r\\n\\r\\nWould you like"),
                 qPrintable(dialogs.join("\n---\n")));
        QCOMPARE(dialogs.size(), 1);
        // The recorded answer is No: the check stays off and is never asked again.
        QCOMPARE(NativeSetting(environment, "Options/CheckForNewUpdates"), QString("False"));
        QCOMPARE(NativeSetting(environment, "Options/CheckForNewUpdatesPrompted"), QString("True"));
        QCOMPARE(NativeSetting(environment, "Options/CheckForNewUpdatesDate"), QString());
    }

    void commandLineAnswers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stdoutStart");
        QTest::addColumn<QString>("stderrStart");
        QTest::newRow("version") << QStringList{"--version"} << 0 << "3.0.6\n" << "";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: " << "";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << "" << "zettlor: ";
        QTest::newRow("bad address") << QStringList{"--address", "1.2.3"} << 2 << "" << "zettlor: --address";
        QTest::newRow("bad port") << QStringList{"--port", "70000"} << 2 << "" << "zettlor: --port";
    }
    void commandLineAnswers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutStart);
        QFETCH(QString, stderrStart);
        TestEnvironment environment;
        ProgramProcess program(environment.processEnvironment());
        QVERIFY(program.start(arguments));
        QCOMPARE(program.waitForExit(), exitCode);
        const auto starts = [](const QString &text, const QString &start) {
            return start.isEmpty() ? text.isEmpty() : text.startsWith(start);
        };
        QVERIFY2(starts(program.standardOutput(), stdoutStart), qPrintable(program.standardOutput()));
        QVERIFY2(starts(program.errorOutput(), stderrStart), qPrintable(program.errorOutput()));
        QCOMPARE(program.errorOutput().count('\n'), stderrStart.isEmpty() ? 0 : 1);
        QVERIFY(!QDir(environment.defaultDataFolder()).exists());
    }

    void noDisplaySaysSoInOneLine()
    {
        TestEnvironment environment;
        QProcessEnvironment bare = environment.processEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            bare.remove(name);
        ProgramProcess program(bare);
        QVERIFY(program.start());
        QCOMPARE(program.waitForExit(), 1);
        QCOMPARE(program.errorOutput().count('\n'), 1);
        QVERIFY(program.errorOutput().startsWith("zettlor: no display"));
    }
};

ZETTLOR_TEST_CLASS(StartupTest)
#include "StartupTest.moc"

#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modFiles.h"
#include "core/modRegReadWrite.h"
#include "core/modSettings.h"
#include "core/modStartWithWindows.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace modRegReadWrite;

namespace {

const QByteArray kEntryStart = "[Desktop Entry]\nType=Application\nName=Zettlor\n";
const QByteArray kEntryEnd = "\nIcon=zettlor\nX-GNOME-Autostart-enabled=true\n";

QString EntryFile(const QString &name = "Zettlor")
{
    return AutostartFolder() + "/" + name + ".desktop";
}

// What desktop-file-validate says about file; nullopt when it is not installed.
std::optional<QString> ValidatorComplaints(const QString &file)
{
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(validator, {file});
    process.waitForFinished();
    return QString::fromUtf8(process.readAll()) + (process.exitCode() == 0 ? "" : " (failed)");
}

// Starts zettlor in the environment and waits until start-up has finished.
bool RunOnce(const TestEnvironment &environment, const QString &executable, const QString &address,
             const QString &port)
{
    QProcessEnvironment childEnvironment = environment.processEnvironment();
    childEnvironment.insert("QT_LOGGING_RULES", "zettlor.core.info=true");
    ProgramProcess program(childEnvironment);
    program.process().start(executable, {"--address", address, "--port", port});
    return program.process().waitForStarted(5000) &&
           ProgramProcess::waitFor([&] { return program.errorOutput().contains("started;"); });
}

} // namespace

class StartWithWindowsTest final : public QObject
{
    Q_OBJECT

private slots:
    void entryStartsTheExecutable_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("exec");
        QTest::newRow("plain") << "/opt/zettlor/zettlor" << QByteArray(R"(Exec="/opt/zettlor/zettlor")");
        // The file holds: Exec="/home/me/it's \\"my\\" \\$notes & 100%% \\`x\\` \\\\ here/zettlor"
        QTest::newRow("blanks and specials") << "/home/me/it's \"my\" $notes & 100% `x` \\ here/zettlor"
                                             << QByteArray("Exec=\"/home/me/it's \\\\\"my\\\\\" \\\\$notes & "
                                                           "100%% \\\\`x\\\\` \\\\\\\\ here/zettlor\"");
        QTest::newRow("line break") << "/tmp/a\nHidden=true/zettlor"
                                    << QByteArray(R"(Exec="/tmp/a\nHidden=true/zettlor")");
    }
    void entryStartsTheExecutable()
    {
        QFETCH(QString, executable);
        QFETCH(QByteArray, exec);
        TestEnvironment environment;
        QVERIFY(WriteRegistryString("Zettlor", executable));
        QCOMPARE(ReadBytes(environment.configHome() + "/autostart/Zettlor.desktop"),
                 kEntryStart + exec + kEntryEnd);
        QCOMPARE(ReadRegistryValue("Zettlor"), executable);
        const std::optional<QString> complaints = ValidatorComplaints(EntryFile());
        if (!complaints)
            QSKIP("desktop-file-validate is not installed (package desktop-file-utils)");
        QCOMPARE(*complaints, QString());
    }

    void linkedEntryIsReplacedNotWrittenThrough()
    {
        TestEnvironment environment;
        const QString shared = environment.root() + "/shared.desktop";
        WriteBytes(shared, "[Desktop Entry]\nExec=other\n");
        QDir().mkpath(AutostartFolder());
        QVERIFY(QFile::link(shared, EntryFile()));
        QVERIFY(WriteRegistryString("Zettlor", "/opt/zettlor"));
        QCOMPARE(ReadBytes(shared), QByteArray("[Desktop Entry]\nExec=other\n"));
        QCOMPARE(ReadRegistryValue("Zettlor"), QString("/opt/zettlor"));
    }

    void readsOnlyAnEntryThatRuns_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        const QByteArray entry = "[Desktop Entry]\nType=Application\nExec = /usr/bin/zettlor %U\n";
        QTest::newRow("unquoted, with a field code") << "Zettlor" << entry << "/usr/bin/zettlor";
        QTest::newRow("name in another case") << "zettlor" << entry << "";
        QTest::newRow("hidden") << "Zettlor" << entry + "Hidden=true\n"
                                << "";
        QTest::newRow("switched off") << "Zettlor" << entry + "X-GNOME-Autostart-enabled=false\n"
                                      << "";
        QTest::newRow("Exec of another group")
            << "Zettlor" << QByteArray("[Desktop Action new]\nExec=/usr/bin/zettlor\n") << "";
    }
    void readsOnlyAnEntryThatRuns()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        TestEnvironment environment;
        WriteBytes(EntryFile(fileName), content);
        QTEST(ReadRegistryValue("Zettlor"), "expected");
    }

    void migratesLegacyNotes_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("stored"); // as the store's file holds it
        QTest::addColumn<bool>("activeWritable");
        QTest::addColumn<QString>("note"); // content of the one note file; empty: none
        QTest::addColumn<QString>("valueAfter");
        QTest::newRow("per-user store")
            << false << "Note1" << QByteArray(R"("a,b,Shopping && errands")") << true << "Shopping & errands"
            << "";
        QTest::newRow("portable, last key")
            << true << "Note30" << QByteArray("a,b,Shopping && errands") << true << "Shopping & errands"
            << "";
        QTest::newRow("commas in the text")
            << true << "Note2" << QByteArray("1,2,milk, eggs,  bread") << true << "milk, eggs,  bread"
            << "";
        QTest::newRow("no commas") << false << "Note1" << QByteArray("Shopping") << true << ""
                                   << "Shopping";
        QTest::newRow("Active cannot be written")
            << true << "Note1" << QByteArray("a,b,Shopping") << false << ""
            << "a,b,Shopping";
    }
    void migratesLegacyNotes()
    {
        QFETCH(bool, portable);
        QFETCH(QString, key);
        QFETCH(QByteArray, stored);
        QFETCH(bool, activeWritable);
        QFETCH(QString, note);
        TestEnvironment environment;
        PortableMode = portable;
        if (portable)
            WriteBytes(modSettings::PortableSettingsFile(),
                       "[\\]\r\n" + key.toUtf8() + "=" + stored + "\r\n");
        else
            WriteBytes(environment.configHome() + "/Zettlor/Zettlor.conf",
                       "[General]\n" + key.toUtf8() + "=" + stored + "\n");
        const QString active = modFiles::ActiveFolder();
        if (activeWritable)
            QDir().mkpath(active);
        else
            WriteBytes(active, "a file where the folder belongs");
        modStartWithWindows::MigrateLegacyNotes();
        QTEST(modSettings::ReadSetting("\\", key), "valueAfter");
        const QStringList files = QDir(active).entryList(QDir::Files);
        QCOMPARE(files.size(), note.isEmpty() ? 0 : 1);
        if (!note.isEmpty())
            QCOMPARE(ReadBytes(active + "/" + files[0]), note.toUtf8());
    }

    void migrationRemovesOlderEntries_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("per-user store") << false << QStringList{"Other.desktop"};
        // Only an installed copy makes "Zettlor"; a portable one keeps it.
        QTest::newRow("portable") << true << QStringList{"Other.desktop", "Zettlor.desktop"};
    }
    void migrationRemovesOlderEntries()
    {
        QFETCH(bool, portable);
        TestEnvironment environment;
        PortableMode = portable;
        for (const QString name :
             {"Zettlor Note Launcher (Required to load Zettlor notes on Windows startup)",
              "Zettlor Note Launcher", "Zettlor", "Other"})
            WriteBytes(EntryFile(name), "[Desktop Entry]\n");
        modStartWithWindows::MigrateLegacyNotes();
        QTEST(QDir(AutostartFolder()).entryList(QDir::Files, QDir::Name), "kept");
    }

    void firstRunRegistersOnce()
    {
        TestEnvironment environment;
        const QString executable = environment.root() + "/my programs/zettlor";
        QVERIFY(QDir().mkpath(environment.root() + "/my programs"));
        QVERIFY(QFile::copy(ProgramPath(), executable));
        QVERIFY(RunOnce(environment, executable, "127.0.0.10", "21150"));
        const QByteArray exec = "Exec=\"" + executable.toUtf8() + "\"";
        QCOMPARE(ReadBytes(EntryFile()), kEntryStart + exec + kEntryEnd);
        const QDateTime written = QFileInfo(EntryFile()).lastModified();
        QVERIFY(RunOnce(environment, executable, "127.0.0.10", "21150"));
        QCOMPARE(ReadBytes(EntryFile()), kEntryStart + exec + kEntryEnd);
        QCOMPARE(QFileInfo(EntryFile()).lastModified(), written);
    }

    void versionChangeKeepsTheChoice_data()
    {
        QTest::addColumn<QByteArray>("choice");
        QTest::addColumn<QString>("entryAfter"); // the executable it starts; empty: no entry
        QTest::newRow("start at logon") << QByteArray("True") << ProgramPath();
        QTest::newRow("do not") << QByteArray("False") << "";
    }
    void versionChangeKeepsTheChoice()
    {
        QFETCH(QByteArray, choice);
        TestEnvironment environment;
        WriteBytes(environment.configHome() + "/Zettlor/Zettlor.conf",
                   "[Misc]\nVersion=2.9.9\n[Options]\nStartWithWindows=" + choice + "\n");
        WriteBytes(EntryFile(), kEntryStart + "Exec=\"/old/Zettlor3\"" + kEntryEnd);
        QVERIFY(RunOnce(environment, ProgramPath(), "127.0.0.11", "21151"));
        QTEST(ReadRegistryValue("Zettlor"), "entryAfter");
    }
};

ZETTLOR_TEST_CLASS(StartWithWindowsTest)
#include "StartWithWindowsTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modFiles.h"
#include "core/modRegReadWrite.h"
#include "core/modSettings.h"
#include "core/modStartWithWindows.h"

#include <QDir>
#include <QTest>

using namespace modRegReadWrite;

namespace {

QString EntryFile(const QString &name = "Zettlor")
{
    return AutostartFolder() + "/" + name + ".desktop";
}

} // namespace

class StartWithWindowsTest final : public QObject
{
    Q_OBJECT

private slots:
    // The entry written replaces a link to a shared file, which stays.
    void entryStartsTheExecutable_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("exec");
        QTest::newRow("plain") << "/opt/z" << QByteArray(R"(Exec="/opt/z")");
        // The file holds: Exec="/home/me/it's \\"my\\" \\$notes & 100%% \\`x\\` \\\\ here/z"
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
        const QString shared = environment.root() + "/shared.desktop";
        WriteBytes(shared, "[Desktop Entry]\nExec=other\n");
        QDir().mkpath(AutostartFolder());
        QFile::link(shared, EntryFile());
        QVERIFY(WriteRegistryString("Zettlor", executable));
        QCOMPARE(ReadBytes(EntryFile()), "[Desktop Entry]\nType=Application\nName=Zettlor\n" + exec +
                                             "\nIcon=zettlor\nX-GNOME-Autostart-enabled=true\n");
        QCOMPARE(ReadRegistryValue("Zettlor"), executable);
        QCOMPARE(ReadBytes(shared), QByteArray("[Desktop Entry]\nExec=other\n"));
        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start("desktop-file-validate", {EntryFile()});
        if (!validator.waitForFinished())
            QSKIP("desktop-file-validate is not installed (package desktop-file-utils)");
        QCOMPARE(validator.readAll(), QByteArray());
    }

    void readsOnlyAnEntryThatRuns_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        const QByteArray entry = "[Desktop Entry]\nType=Application\nExec = /usr/bin/zettlor %U\n";
        QTest::newRow("unquoted, with a field code") << entry << "/usr/bin/zettlor";
        QTest::newRow("hidden") << entry + "Hidden=true\n" << QString();
        QTest::newRow("switched off") << entry + "X-GNOME-Autostart-enabled=false\n" << QString();
        QTest::newRow("Exec of another group")
            << QByteArray("[Desktop Action new]\nExec=/usr/bin/zettlor\n") << QString();
    }
    void readsOnlyAnEntryThatRuns()
    {
        QFETCH(QByteArray, content);
        TestEnvironment environment;
        WriteBytes(EntryFile(), content);
        QTEST(ReadRegistryValue("Zettlor"), "expected");
    }

    // Older releases kept notes as settings "Note1".."Note30" and had
    // autostart entries of their own. Only an installed copy makes "Zettlor";
    // a portable one keeps it.
    void migratesLegacyNotesAndEntries_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QByteArray>("stored"); // as the store's file holds "Note30"
        QTest::addColumn<QByteArray>("note");   // the one note file made; empty: none, "Active" is a file
        QTest::newRow("per-user store")
            << false << QByteArray(R"("a,b,Shopping && errands")") << QByteArray("Shopping & errands");
        QTest::newRow("portable") << true << QByteArray("1,2,milk && eggs,  bread")
                                  << QByteArray("milk & eggs,  bread");
        QTest::newRow("Active cannot be written") << true << QByteArray("a,b,Shopping") << QByteArray();
    }
    void migratesLegacyNotesAndEntries()
    {
        QFETCH(bool, portable);
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, note);
        TestEnvironment environment;
        PortableMode = portable;
        if (portable)
            WriteBytes(modSettings::PortableSettingsFile(), "[\\]\r\nNote30=" + stored + "\r\n");
        else
            WriteBytes(environment.configHome() + "/Zettlor/Zettlor.conf",
                       "[General]\nNote30=" + stored + "\n");
        const QString active = modFiles::ActiveFolder();
        if (note.isEmpty())
            WriteBytes(active, "a file where the folder belongs");
        else
            QDir().mkpath(active);
        for (const QString name :
             {"Zettlor Note Launcher (Required to load Zettlor notes on Windows startup)",
              "Zettlor Note Launcher", "Zettlor", "Other"})
            WriteBytes(EntryFile(name), "[Desktop Entry]\n");
        modStartWithWindows::MigrateLegacyNotes();
        QCOMPARE(modSettings::ReadSetting("\\", "Note30"), note.isEmpty() ? QString(stored) : QString());
        const QStringList files = QDir(active).entryList(QDir::Files);
        QCOMPARE(files.isEmpty() ? QByteArray() : ReadBytes(active + "/" + files.first()), note);
        QCOMPARE(files.size(), note.isEmpty() ? 0 : 1);
        QCOMPARE(QDir(AutostartFolder()).entryList(QDir::Files),
                 portable ? QStringList({"Other.desktop", "Zettlor.desktop"}) : QStringList("Other.desktop"));
    }
};

ZETTLOR_TEST_CLASS(StartWithWindowsTest)
#include "StartWithWindowsTest.moc"

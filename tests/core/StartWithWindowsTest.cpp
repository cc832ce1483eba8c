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
    void entryStartsTheExecutable_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("exec");
        QTest::addColumn<bool>("linked"); // the entry is a link to a shared file, which stays
        const auto row = [](const char *tag, QString executable, QByteArray exec, bool linked) {
            QTest::newRow(tag) << executable << exec << linked;
        };
        row("plain, over a linked entry", "/opt/z", R"(Exec="/opt/z")", true);
        // The file holds: Exec="/home/me/it's \\"my\\" \\$notes & 100%% \\`x\\` \\\\ here/z"
        row("blanks and specials", "/home/me/it's \"my\" $notes & 100% `x` \\ here/z",
            "Exec=\"/home/me/it's \\\\\"my\\\\\" \\\\$notes & 100%% \\\\`x\\\\` \\\\\\\\ here/z\"", false);
        row("line break", "/tmp/a\nHidden=true/z", R"(Exec="/tmp/a\nHidden=true/z")", false);
    }
    void entryStartsTheExecutable()
    {
        QFETCH(QString, executable);
        QFETCH(QByteArray, exec);
        QFETCH(bool, linked);
        TestEnvironment environment;
        const QString shared = environment.root() + "/shared.desktop";
        if (linked) {
            WriteBytes(shared, "[Desktop Entry]\nExec=other\n");
            QDir().mkpath(AutostartFolder());
            QFile::link(shared, EntryFile());
        }
        QVERIFY(WriteRegistryString("Zettlor", executable));
        QCOMPARE(ReadBytes(EntryFile()), "[Desktop Entry]\nType=Application\nName=Zettlor\n" + exec +
                                             "\nIcon=zettlor\nX-GNOME-Autostart-enabled=true\n");
        QCOMPARE(ReadRegistryValue("Zettlor"), executable);
        QCOMPARE(ReadBytes(shared), QByteArray(linked ? "[Desktop Entry]\nExec=other\n" : ""));
        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start("desktop-file-validate", {EntryFile()});
        if (!validator.waitForFinished())
            QSKIP("desktop-file-validate is not installed (package desktop-file-utils)");
        QCOMPARE(validator.readAll(), QByteArray());
        QCOMPARE(validator.exitCode(), 0);
    }

    void readsOnlyAnEntryThatRuns_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *tag, QString fileName, QByteArray content, QString expected) {
            QTest::newRow(tag) << fileName << content << expected;
        };
        const QByteArray entry = "[Desktop Entry]\nType=Application\nExec = /usr/bin/zettlor %U\n";
        row("unquoted, with a field code", "Zettlor", entry, "/usr/bin/zettlor");
        row("name in another case", "zettlor", entry, "");
        row("hidden", "Zettlor", entry + "Hidden=true\n", "");
        row("switched off", "Zettlor", entry + "X-GNOME-Autostart-enabled=false\n", "");
        row("Exec of another group", "Zettlor", "[Desktop Action new]\nExec=/usr/bin/zettlor\n", "");
    }
    void readsOnlyAnEntryThatRuns()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        TestEnvironment environment;
        WriteBytes(EntryFile(fileName), content);
        QTEST(ReadRegistryValue("Zettlor"), "expected");
    }

    // Older releases kept notes as settings "Note1".."Note30" and had
    // autostart entries of their own.
    void migratesLegacyNotesAndEntries_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("stored"); // as the store's file holds it
        QTest::addColumn<bool>("activeWritable");
        QTest::addColumn<QString>("note"); // content of the one note file; empty: none
        QTest::addColumn<QString>("valueAfter");
        const auto row = [](const char *tag, bool portable, QString key, QByteArray stored, bool writable,
                            QString note, QString after) {
            QTest::newRow(tag) << portable << key << stored << writable << note << after;
        };
        row("per-user store", false, "Note1", R"("a,b,Shopping && errands")", true, "Shopping & errands", "");
        row("portable, last key", true, "Note30", "1,2,milk && eggs,  bread", true, "milk & eggs,  bread",
            "");
        row("no commas", false, "Note1", "Shopping", true, "", "Shopping");
        row("Active cannot be written", true, "Note1", "a,b,Shopping", false, "", "a,b,Shopping");
    }
    void migratesLegacyNotesAndEntries()
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
        for (const QString name :
             {"Zettlor Note Launcher (Required to load Zettlor notes on Windows startup)",
              "Zettlor Note Launcher", "Zettlor", "Other"})
            WriteBytes(EntryFile(name), "[Desktop Entry]\n");
        modStartWithWindows::MigrateLegacyNotes();
        QTEST(modSettings::ReadSetting("\\", key), "valueAfter");
        const QStringList files = QDir(active).entryList(QDir::Files);
        QCOMPARE(files.isEmpty() ? QByteArray() : ReadBytes(active + "/" + files.first()), note.toUtf8());
        QCOMPARE(files.size(), note.isEmpty() ? 0 : 1);
        // Only an installed copy makes "Zettlor"; a portable one keeps it.
        QCOMPARE(QDir(AutostartFolder()).entryList(QDir::Files),
                 portable ? QStringList({"Other.desktop", "Zettlor.desktop"}) : QStringList("Other.desktop"));
    }
};

ZETTLOR_TEST_CLASS(StartWithWindowsTest)
#include "StartWithWindowsTest.moc"

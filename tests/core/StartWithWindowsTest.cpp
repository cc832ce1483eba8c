#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modRegReadWrite.h"

#include <QDir>
#include <QTest>

using namespace modRegReadWrite;

class StartWithWindowsTest final : public QObject
{
    Q_OBJECT

private slots:
    // The entry written starts the executable whatever its name holds, and
    // replaces a link to a shared file, which stays.
    void entryStartsTheExecutable_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("exec");
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
        QTest::newRow("Exec of another group")
            << QByteArray("[Desktop Action new]\nExec=/usr/bin/zettlor\n") << QString();
    }
    void readsOnlyAnEntryThatRuns()
    {
        QFETCH(QByteArray, content);
        TestEnvironment environment;
        WriteBytes(AutostartFolder() + "/Zettlor.desktop", content);
        QTEST(ReadRegistryValue("Zettlor"), "expected");
    }
};

ZETTLOR_TEST_CLASS(StartWithWindowsTest)
#include "StartWithWindowsTest.moc"

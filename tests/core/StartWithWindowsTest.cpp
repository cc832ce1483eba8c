#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modRegReadWrite.h"

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
};

ZETTLOR_TEST_CLASS(StartWithWindowsTest)
#include "StartWithWindowsTest.moc"

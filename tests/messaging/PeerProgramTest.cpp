#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QDir>
#include <QHostInfo>
#include <QTest>
#include <QUdpSocket>
#include <memory>

#include <sys/stat.h>

namespace {

const QString kNote = QStringLiteral("2880,3255,*,*,,Verdana,12,12648447,0,");

// A real zettlor logging on stderr, offscreen. Copies end in the reverse order they were made, as
// each TestEnvironment restores the one before it.
struct Copy
{
    Copy()
    {
        WriteBytes(folders.configHome() + "/QtProject/qtlogging.ini", "[Rules]\nzettlor.*.info=true\n");
        program = std::make_unique<ProgramProcess>(ProgramEnvironment(folders));
    }
    bool willLog(const QString &line)
    {
        return ProgramProcess::waitFor([&] { return program->errorOutput().contains(line); });
    }
    TestEnvironment folders;
    std::unique_ptr<ProgramProcess> program;
};

} // namespace

class PeerProgramTest final : public QObject
{
    Q_OBJECT

private slots:
    // A third party sends A a note in B's name, in Windows-1252 as older copies do. At start A took
    // in what a local user dropped into Incoming. A copy started on A's address ends.
    void notesAndReceiptsPassBetweenCopies()
    {
        const QString host = QHostInfo::localHostName();
        Copy b, a;
        const QString incoming = a.folders.defaultDataFolder() + "/Incoming";
        WriteBytes(incoming + "/1.zln", ("anna (Local User)" + kNote + "Hi").toUtf8());
        QVERIFY(b.program->startUp({"--address", "127.0.0.3", "--port", "21900"}));
        QVERIFY(a.program->startUp({"--address", "127.0.0.2", "--port", "21900"}));
        QUdpSocket().writeDatagram(("+" + host + " (127.0.0.3)" + kNote + "Grüße").toLatin1(),
                                   QHostAddress("127.0.0.2"), 21900);
        QVERIFY(b.willLog("alert balloon: \"" + host + " (127.0.0.2) has received your message\""));
        const QString active = a.folders.defaultDataFolder() + "/Active/";
        QStringList endings;
        for (const QString &name : QDir(active).entryList(QDir::Files))
            endings << QString::fromUtf8(ReadBytes(active + name)).section(',', 9);
        endings.sort();
        QCOMPARE(endings, (QStringList{"Grüße[FROM=127.0.0.3|" + host + "]", "Hi[FROM=Local User|anna]"}));
        QVERIFY(!QFile::exists(incoming + "/1.zln"));
        struct stat folder;
        QVERIFY(::stat(QFile::encodeName(incoming).constData(), &folder) == 0);
        QCOMPARE(folder.st_mode & 07777, mode_t(03733));

        Copy late;
        QVERIFY(late.program->start({"--address", "127.0.0.2", "--port", "21900"}));
        QCOMPARE(late.program->waitForExit(), 1);
        QVERIFY(ReadBytes(late.folders.root() + "/dialogs.log").contains("Port 21900 is currently in use"));
    }
};

ZETTLOR_TEST_CLASS(PeerProgramTest)
#include "PeerProgramTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modFiles.h"
#include "platform/Platform.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <future>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace modFiles;

class FilesTest final : public QObject
{
    Q_OBJECT

private slots:
    // A file the user may not read (root reads any) is never taken as missing, thus empty. Another user's
    // file in the drop folder may turn into a FIFO after the checks: opening it does not wait for a writer.
    void unreadableFilesNeitherLookMissingNorBlock()
    {
        TestEnvironment environment;
        const QString fifo = environment.root() + "/f.zln", unreadable = environment.root() + "/x.zln";
        WriteBytes(unreadable, "text");
        QFile::setPermissions(unreadable, QFile::WriteOwner);
        QString text;
        QVERIFY(geteuid() == 0 || ReadTextFile(unreadable, text) == ReadOutcome::Unreadable);
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QFile file(fifo);
        auto opened = std::async(std::launch::async, [&file] { return platform::OpenForReading(file); });
        const bool waited = opened.wait_for(std::chrono::seconds(5)) == std::future_status::timeout;
        if (waited) // a writer ends the wait, or the test would hang here
            QFile(fifo).open(QIODevice::WriteOnly);
        QVERIFY(!waited && opened.get() && file.isSequential());
    }

    // Written whole or not at all, and no temporary file left: a file-size limit makes a write fail halfway
    // (for root as well). A file is never moved onto itself; no FIFO (it would hang) nor device is moved.
    void writesReplaceOneFile_data()
    {
        QTest::addColumn<QString>("write"); // what is done to a/n.zln or its link a/link.zln
        QTest::addColumn<bool>("done");
        QTest::addColumn<QByteArray>("after"); // a/n.zln | a/link.zln | b/n.zln
        const QByteArray untouched = "fresh|fresh|stale and longer";
        QTest::newRow("replace the link")
            << "link replaced" << true << QByteArray("fresh|newer|stale and longer");
        QTest::newRow("follow the link")
            << "link followed" << true << QByteArray("newer|newer|stale and longer");
        QTest::newRow("move onto a longer file") << "moved to b" << true << QByteArray("||fresh");
        QTest::newRow("move onto a link to itself") << "moved to link" << false << untouched;
        QTest::newRow("move a link to a device")
            << "moved from a device" << false << QByteArray("fresh||stale and longer");
        QTest::newRow("write beyond the limit") << "link followed, limited" << false << untouched;
        QTest::newRow("move beyond the limit") << "moved to b, limited" << false << untouched;
    }
    void writesReplaceOneFile()
    {
        QFETCH(QString, write);
        TestEnvironment environment;
        const QString a = environment.root() + "/a/n.zln", link = environment.root() + "/a/link.zln",
                      b = environment.root() + "/b/n.zln";
        WriteBytes(a, "fresh");
        WriteBytes(b, "stale and longer");
        QFile::link(write == "moved from a device" ? "/dev/null" : a, link);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{write.endsWith("limited") ? 4 : saved.rlim_cur, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const LinkWrite how =
            write.startsWith("link replaced") ? LinkWrite::ReplaceLink : LinkWrite::FollowLink;
        const bool done = write.startsWith("link") ? WriteTextFile(link, "newer", how)
                          : write == "moved from a device"
                              ? MoveFile(link, b)
                              : MoveFile(a, write.startsWith("moved to b") ? b : link);
        setrlimit(RLIMIT_FSIZE, &saved);
        QTEST(done, "done");
        QTEST(ReadBytes(a) + "|" + ReadBytes(link) + "|" + ReadBytes(b), "after");
        for (const char *folder : {"/a", "/b"}) // no temporary file left
            QCOMPARE(QDir(environment.root() + folder).entryList({"*.zln?*"}, QDir::Files | QDir::Hidden),
                     QStringList());
    }

    // Traced while it saves: the data is synced before it is renamed into place, the folder after.
    void savesReachTheDisk()
    {
        if (QStandardPaths::findExecutable("strace").isEmpty())
            QSKIP("strace is not installed");
        TestEnvironment environment;
        const QString folder = environment.root() + "/Active", path = folder + "/n.zln",
                      log = environment.root() + "/calls.log";
        WriteBytes(path, "old");
        prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY);
        QProcess strace;
        strace.setReadChannel(QProcess::StandardError);
        strace.start("strace", {"-p", QString::number(getpid()), "-o", log, "-y", "-e",
                                "trace=rename,renameat,renameat2,linkat,fsync,fdatasync"});
        while (strace.waitForReadyRead(5000) && !strace.readAll().contains("attached")) {
        }
        if (strace.state() != QProcess::Running)
            QSKIP("strace cannot watch this process");
        QVERIFY(WriteTextFile(path, "new"));
        strace.terminate();
        strace.waitForFinished();
        const QString expected = "fdatasync.*rename[^\\n]*\"" + path + "\"[^\\n]*= 0\\n.*fsync\\(\\d+<" +
                                 QFileInfo(folder).canonicalFilePath() + ">\\)";
        QVERIFY2(QString(ReadBytes(log))
                     .contains(QRegularExpression(expected, QRegularExpression::DotMatchesEverythingOption)),
                 ReadBytes(log).constData());
    }

    // Other users pass through the data folder to Incoming; they must not read or list this user's notes.
    void foldersShutOutOtherUsers()
    {
        TestEnvironment environment;
        DataFolder = environment.root() + "/made/Zettlor";
        CreateDataFolders();
        for (const QString &folder : {DataFolder, ActiveFolder(), ArchiveFolder(), PendingFolder()})
            QCOMPARE(QFileInfo(folder).permissions() & 0x7777, folder == DataFolder ? 0x7711 : 0x7700);
    }

    // Names never repeat: not in a burst, nor where another copy took names.
    void newNoteFileNameNeverRepeats()
    {
        TestEnvironment environment;
        const QString folder = environment.root() + "/Active";
        // The next three seconds of names are taken ("yy" parses into the 1900s).
        const QDateTime now =
            QDateTime::fromString(NewNoteFileName(folder).left(12), "ddMMyyHHmmss").addYears(100);
        for (int step = 0; step < 300; ++step)
            WriteBytes(folder + now.addMSecs(step * 10).toString("/ddMMyyHHmmsszzz").chopped(1) + ".zln", "");
        // A new note asks for its name long before its file is written.
        QStringList burst;
        for (int i = 0; i < 400; ++i)
            burst << NewNoteFileName(folder);
        for (const QString &name : burst)
            WriteBytes(folder + "/" + name, "");
        QCOMPARE(QDir(folder).entryList({"??????????????.zln"}, QDir::Files).size(), 700);
    }
};

ZETTLOR_TEST_CLASS(FilesTest)
#include "FilesTest.moc"

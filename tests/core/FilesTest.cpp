#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace modFiles;

class FilesTest final : public QObject
{
    Q_OBJECT

private slots:
    void readTellsMissingFromUnreadable_data()
    {
        QTest::addColumn<QString>("linkTo"); // what x.zln links to; empty: no x.zln
        QTest::addColumn<ReadOutcome>("outcome");
        QTest::newRow("missing") << "" << ReadOutcome::Missing;
        QTest::newRow("dangling link") << "nothing" << ReadOutcome::Missing;
        QTest::newRow("link to an older file") << "file" << ReadOutcome::Read;
        QTest::newRow("link to a write-only file") << "write-only file" << ReadOutcome::Unreadable;
        QTest::newRow("link to a FIFO") << "fifo" << ReadOutcome::Unreadable;
    }
    void readTellsMissingFromUnreadable()
    {
        QFETCH(QString, linkTo);
        QFETCH(ReadOutcome, outcome);
        TestEnvironment environment;
        const QString path = environment.root() + "/x.zln";
        const QString other = environment.root() + "/other";
        if (linkTo.endsWith("file"))
            WriteBytes(other, "Gr\xfc\xdf\x65 \x93x\x94"); // Windows-1252, as older copies wrote
        if (linkTo == "write-only file" && geteuid() == 0)
            QSKIP("root reads a file whatever its mode");
        if (linkTo == "write-only file")
            QFile::setPermissions(other, QFile::WriteOwner);
        if (linkTo == "fifo")
            mkfifo(QFile::encodeName(other).constData(), 0600);
        if (!linkTo.isEmpty())
            QFile::link(other, path);
        QString text = "stale";
        QCOMPARE(ReadTextFile(path, text), outcome);
        QCOMPARE(text, outcome == ReadOutcome::Read ? "Grüße “x”" : "");
    }

    void writeFollowsOrReplacesLink_data()
    {
        QTest::addColumn<LinkWrite>("how");
        QTest::addColumn<QByteArray>("target"); // the link's target before and after; empty: none
        QTest::newRow("replace link to a file") << LinkWrite::ReplaceLink << QByteArray("a,b\n1,2\n");
        QTest::newRow("follow link") << LinkWrite::FollowLink
                                     << QByteArray("Gr\xc3\xbc\xc3\x9f"
                                                   "e");
    }
    void writeFollowsOrReplacesLink()
    {
        QFETCH(LinkWrite, how);
        QFETCH(QByteArray, target);
        TestEnvironment environment;
        const QString folder = environment.root() + "/Active";
        const QString targetPath = environment.root() + "/data.csv";
        QDir().mkpath(folder);
        if (how == LinkWrite::ReplaceLink)
            WriteBytes(targetPath, target);
        QFile::link(targetPath, folder + "/n.zln");
        QVERIFY(WriteTextFile(folder + "/n.zln", "Grüße", how));
        QCOMPARE(ReadBytes(folder + "/n.zln"), QByteArray("Gr\xc3\xbc\xc3\x9f"
                                                          "e"));
        QCOMPARE(ReadBytes(targetPath), target);
        QCOMPARE(
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList("n.zln"));
    }

    void savesReachTheDisk_data()
    {
        QTest::addColumn<LinkWrite>("how");
        QTest::newRow("file replaced") << LinkWrite::FollowLink;
        QTest::newRow("link replaced") << LinkWrite::ReplaceLink;
    }
    void savesReachTheDisk()
    {
        // Only the system calls show it: this process is traced while it saves.
        QFETCH(LinkWrite, how);
        if (QStandardPaths::findExecutable("strace").isEmpty())
            QSKIP("strace is not installed");
        TestEnvironment environment;
        const QString folder = environment.root() + "/Active";
        const QString path = folder + "/n.zln";
        const QString log = environment.root() + "/calls.log";
        WriteBytes(path, "old");
        if (how == LinkWrite::ReplaceLink) {
            QFile::rename(path, environment.root() + "/old.zln");
            QFile::link(environment.root() + "/old.zln", path);
        }
        prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY);
        QProcess strace;
        strace.setReadChannel(QProcess::StandardError);
        strace.start("strace", {"-p", QString::number(getpid()), "-o", log, "-e",
                                "trace=openat,rename,renameat,renameat2,linkat,fsync,fdatasync"});
        while (strace.waitForReadyRead(5000) && !strace.readAll().contains("attached")) {
        }
        if (strace.state() != QProcess::Running)
            QSKIP("strace cannot watch this process");
        const bool written = WriteTextFile(path, "new", how);
        strace.terminate();
        strace.waitForFinished();
        QVERIFY(written);
        // The data is synced before it is renamed or linked into place, the folder after.
        QStringList events;
        QString folderHandle = "none";
        for (const QString &call : QString(ReadBytes(log)).split('\n')) {
            if (call.startsWith("openat(AT_FDCWD, \"" + folder + "\", O_RDONLY"))
                folderHandle = call.section("= ", -1);
            else if (call.startsWith("fsync(" + folderHandle + ")"))
                events << "folder synced";
            else if (call.startsWith("fdatasync(") || call.startsWith("fsync("))
                events << "data synced";
            else if (call.contains(QRegularExpression("^(rename|link)")) &&
                     call.contains(", \"" + path + "\"") && call.endsWith("= 0"))
                events << "placed";
        }
        QVERIFY2(events.join(", ").contains(QRegularExpression("data synced.*placed.*folder synced")),
                 qPrintable(events.join(", ")));
    }

    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::newRow("text file") << "text";
        QTest::newRow("move onto it") << "move";
    }
    void failedWriteKeepsOldFile()
    {
        QFETCH(QString, writer);
        TestEnvironment environment;
        const QString path = environment.root() + "/a.ini";
        const QString source = environment.root() + "/new.zln";
        const QString longer = "k=a value longer than the limit";
        WriteBytes(path, "[A]\r\nk=old\r\n");
        WriteBytes(source, longer.toUtf8());
        // A file size limit makes the write fail halfway, for root as well.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{16, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const bool written = writer == "text" ? WriteTextFile(path, longer) : MoveFile(source, path);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written);
        QCOMPARE(ReadBytes(path), QByteArray("[A]\r\nk=old\r\n"));
        QCOMPARE(QDir(environment.root()).entryList(QDir::Files), (QStringList{"a.ini", "new.zln"}));
    }

    void moveReplacesTargetButNotItself_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("moved");
        QTest::newRow("longer file elsewhere") << "b/n.zln" << true;
        QTest::newRow("doubled slash") << "a//n.zln" << false;
        QTest::newRow("link to it") << "a/link.zln" << false;
    }
    void moveReplacesTargetButNotItself()
    {
        QFETCH(QString, target);
        QFETCH(bool, moved);
        TestEnvironment environment;
        const QString source = environment.root() + "/a/n.zln";
        WriteBytes(source, "fresh");
        WriteBytes(environment.root() + "/b/n.zln", "stale and longer");
        QFile::link(source, environment.root() + "/a/link.zln");
        QCOMPARE(MoveFile(source, environment.root() + "/" + target), moved);
        QCOMPARE(QFile::exists(source), !moved);
        QCOMPARE(ReadBytes(environment.root() + "/" + target), QByteArray("fresh"));
    }

    // Other users pass through the data folder to Incoming; they must not
    // read or list this user's notes.
    void dataFoldersKeepNotesPrivate()
    {
        TestEnvironment environment;
        DataFolder = environment.root() + "/made/Zettlor";
        CreateDataFolders();
        const auto mode = [](const QString &path) {
            struct stat status
            {
            };
            return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 0777 : 0u;
        };
        QCOMPARE(mode(DataFolder), 0711u);
        for (const QString &folder : {ActiveFolder(), ArchiveFolder(), PendingFolder()})
            QCOMPARE(mode(folder), 0700u);
    }

    // An installed tree: the executable in bin/, the shipped files in share/zettlor/.
    void programFilesBesideTheExecutableWin()
    {
        TestEnvironment environment;
        const QString tree = environment.root() + "/usr";
        ProgramFolder = tree + "/bin";
        for (const char *file :
             {"bin/About.ini", "bin/ding.wav", "bin/Zap.WAV", "bin/Fonts.zl", "share/zettlor/About.ini",
              "share/zettlor/About.gif", "share/zettlor/ding.wav", "share/zettlor/Note sent.wav",
              "share/zettlor/chime.wav/x"})
            WriteBytes(tree + "/" + file, "");
        QCOMPARE(ProgramDataFile("About.ini"), tree + "/bin/About.ini");
        QCOMPARE(ProgramDataFile("About.gif"), tree + "/share/zettlor/About.gif");
        QCOMPARE(ProgramDataFile("Bell.wav"), tree + "/bin/Bell.wav");
        QCOMPARE(ProgramDataFileNames({"*.wav"}), (QStringList{"ding.wav", "Note sent.wav", "Zap.WAV"}));
    }

    void newNoteFileNameNeverRepeats()
    {
        TestEnvironment environment;
        const QString folder = environment.root() + "/Active";
        // Occupy the next three seconds of names, as another copy might have;
        // the burst below then falls within few hundredths ("yy" parses into
        // the 1900s, hence the century).
        const QDateTime moment =
            QDateTime::fromString(NewNoteFileName(folder).left(12), "ddMMyyHHmmss").addYears(100);
        for (int step = 0; step < 300; ++step) {
            const QDateTime at = moment.addMSecs(step * 10);
            WriteBytes(folder + at.toString("/ddMMyyHHmmss") +
                           QString("%1.zln").arg(at.time().msec() / 10, 2, 10, QChar('0')),
                       "taken");
        }
        const QRegularExpression format("^\\d{14}\\.zln$");
        for (int i = 0; i < 400; ++i) {
            const QString name = NewNoteFileName(folder);
            QVERIFY2(format.match(name).hasMatch() && !QFile::exists(folder + "/" + name), qPrintable(name));
            WriteBytes(folder + "/" + name, "new");
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 700);
    }
};

ZETTLOR_TEST_CLASS(FilesTest)
#include "FilesTest.moc"

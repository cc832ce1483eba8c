#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modFiles.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace modFiles;

class FilesTest final : public QObject
{
    Q_OBJECT

private slots:
    void readsAndWritesText_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("Gr\xc3\xbc\xc3\x9f""e\r\n") << "Grüße\r\n";
        QTest::newRow("Windows-1252 from an older copy") << QByteArray("Gr\xfc\xdf""e \x93x\x94") << "Grüße “x”";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void readsAndWritesText()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, text);
        TestEnvironment environment;
        const QString path = environment.root() + "/note.zln";
        WriteBytes(path, stored);
        QCOMPARE(ReadTextFile(path), text);
        QVERIFY(WriteTextFile(path, text));
        QCOMPARE(ReadBytes(path), text.toUtf8());
    }

    void failedWriteKeepsOldFile()
    {
        TestEnvironment environment;
        const QString folder = environment.root() + "/locked";
        QDir().mkpath(folder);
        const QString path = folder + "/note.zln";
        QVERIFY(WriteTextFile(path, "old"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        if (QFile(folder + "/probe").open(QIODevice::WriteOnly))
            QSKIP("running as a user who may write anywhere");
        QVERIFY(!WriteTextFile(path, "new"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(ReadBytes(path), QByteArray("old"));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"note.zln"});
    }

    void moveReplacesTargetThenDeletesSource()
    {
        TestEnvironment environment;
        const QString source = environment.root() + "/a/n.zln";
        const QString target = environment.root() + "/b/n.zln";
        WriteBytes(source, "fresh");
        WriteBytes(target, "stale and longer");
        QVERIFY(MoveFile(source, target));
        QVERIFY(!QFile::exists(source));
        QCOMPARE(ReadBytes(target), QByteArray("fresh"));
    }

    void failedMoveKeepsSource()
    {
        TestEnvironment environment;
        const QString source = environment.root() + "/a/n.zln";
        WriteBytes(source, "keep me");
        QVERIFY(!MoveFile(source, environment.root() + "/missing folder/n.zln"));
        QCOMPARE(ReadBytes(source), QByteArray("keep me"));
        QVERIFY(!MoveFile(environment.root() + "/nothing", environment.root() + "/x"));
        QVERIFY(!QFile::exists(environment.root() + "/x"));
        QCOMPARE(ReadTextFile(environment.root() + "/nothing"), QString());
        DeleteFile(source);
        DeleteFile(source);
        QVERIFY(!QFile::exists(source));
    }

    void createsDataFolders()
    {
        TestEnvironment environment;
        DataFolder = environment.root() + "/deep/data";
        CreateDataFolders();
        for (const char *sub : {"Active", "Archive", "Incoming", "Pending"})
            QVERIFY2(QDir(DataFolder + "/" + sub).exists(), sub);
    }

    void newNoteFileNameSkipsExistingFiles()
    {
        TestEnvironment environment;
        const QString folder = environment.root() + "/Active";
        QDir().mkpath(folder);
        // Occupy the next three seconds of names, as another copy might have;
        // many new names then fall within the same hundredth
        // ("yy" parses into the 1900s, hence the century).
        const QString first = NewNoteFileName(folder);
        const QDateTime moment = QDateTime::fromString(first.left(12), "ddMMyyHHmmss").addYears(100);
        for (int step = 0; step < 300; ++step) {
            const QDateTime at = moment.addMSecs(step * 10);
            WriteBytes(folder + "/" + at.toString("ddMMyyHHmmss")
                           + QString("%1.zln").arg(at.time().msec() / 10, 2, 10, QChar('0')),
                       "taken");
        }
        const int before = QDir(folder).entryList(QDir::Files).size();
        const QRegularExpression format("^\\d{12}\\d{2}\\.zln$");
        for (int i = 0; i < 400; ++i) {
            const QString name = NewNoteFileName(folder);
            QVERIFY2(format.match(name).hasMatch() && !QFile::exists(folder + "/" + name), qPrintable(name));
            WriteBytes(folder + "/" + name, "new");
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), before + 400);
    }

    void fillsComboFromFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("CR LF lines") << QByteArray("Arial\r\nCourier New\r\n") << QStringList{"Arial", "Courier New"};
        QTest::newRow("last line without end is skipped") << QByteArray("A\r\nB") << QStringList{"A"};
        QTest::newRow("empty") << QByteArray() << QStringList{};
    }
    void fillsComboFromFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, items);
        TestEnvironment environment;
        const QString path = environment.root() + "/Fonts.zl";
        WriteBytes(path, file);
        QComboBox combo;
        FillComboFromFile(&combo, path);
        QStringList shown;
        for (int i = 0; i < combo.count(); ++i)
            shown << combo.itemText(i);
        QCOMPARE(shown, items);
        QCOMPARE(combo.currentIndex(), items.isEmpty() ? -1 : 0);
    }

    void fileNameFromPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("slash") << "/home/a/Active/1.zln" << "1.zln";
        QTest::newRow("backslash") << "C:\\Data\\Active\\2.zln" << "2.zln";
        QTest::newRow("mixed") << "C:\\Data/x\\3.zln" << "3.zln";
        QTest::newRow("bare") << "4.zln" << "4.zln";
        QTest::newRow("folder") << "/tmp/" << "";
    }
    void fileNameFromPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(FileNameFromPath(path), name);
    }
};

ZETTLOR_TEST_CLASS(FilesTest)
#include "FilesTest.moc"

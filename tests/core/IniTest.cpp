#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modINI.h"

#include <QTest>

using modINI::ReadIni;
using modINI::WriteIni;

class IniTest final : public QObject
{
    Q_OBJECT

private slots:
    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray sample = "; comment\r\n[Options]\r\nICON=/tmp/a.png\r\n SoundNoteSent = x.wav \r\n"
                                  "[Settings]\r\nContacts=1.2.3.4(Bob)\r\n";
        QTest::newRow("exact") << sample << "Options" << "ICON" << "/tmp/a.png";
        QTest::newRow("key case") << sample << "Options" << "icon" << "/tmp/a.png";
        QTest::newRow("section case") << sample << "OPTIONS" << "Icon" << "/tmp/a.png";
        QTest::newRow("blanks trimmed") << sample << "Options" << "soundnotesent" << "x.wav";
        QTest::newRow("other section") << sample << "Settings" << "Contacts" << "1.2.3.4(Bob)";
        QTest::newRow("wrong section") << sample << "Settings" << "Icon" << "";
        QTest::newRow("missing key") << sample << "Options" << "Nothing" << "";
        QTest::newRow("LF only") << QByteArray("[A]\nk=v\n") << "A" << "K" << "v";
        QTest::newRow("value with =") << QByteArray("[A]\r\nk=a=b\r\n") << "A" << "k" << "a=b";
        QTest::newRow("no final line end") << QByteArray("[A]\r\nk=v") << "A" << "k" << "v";
        QTest::newRow("commented key") << QByteArray("[A]\r\n;k=v\r\n") << "A" << "k" << "";
        QTest::newRow("long value whole")
            << QByteArray("[Settings]\r\nContacts=" + QByteArray(2000, 'c') + "\r\n") << "Settings"
            << "Contacts" << QString(2000, QLatin1Char('c'));
        QTest::newRow("Windows-1252 file")
            << QByteArray("[About]\r\nName=Caf\xe9\r\n") << "About" << "Name" << QString::fromUtf8("Café");
    }
    void readsValues()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        TestEnvironment environment;
        const QString path = environment.root() + "/a.ini";
        WriteBytes(path, file);
        QCOMPARE(ReadIni(section, key, path), expected);
    }

    void missingFileReadsEmpty()
    {
        TestEnvironment environment;
        QCOMPARE(ReadIni("A", "k", environment.root() + "/none.ini"), QString());
    }

    void writesValues_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("new file") << QByteArray() << "Options" << "Icon" << "a.png"
                                  << QByteArray("[Options]\r\nICON=a.png\r\n");
        QTest::newRow("replace keeps other lines")
            << QByteArray("; mine\r\n[Options]\r\nicon=old\r\nOther=1\r\n") << "OPTIONS" << "Icon" << "new"
            << QByteArray("; mine\r\n[Options]\r\nICON=new\r\nOther=1\r\n");
        QTest::newRow("append to section before next")
            << QByteArray("[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n") << "a" << "z" << "3"
            << QByteArray("[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\n");
        QTest::newRow("new section at end") << QByteArray("[A]\r\nX=1\r\n") << "B" << "k" << "v"
                                            << QByteArray("[A]\r\nX=1\r\n[B]\r\nK=v\r\n");
        QTest::newRow("LF file stays LF") << QByteArray("[A]\nX=1\n") << "A" << "X" << "2"
                                          << QByteArray("[A]\nX=2\n");
        QTest::newRow("empty value") << QByteArray("[A]\r\nX=1\r\n") << "A" << "X" << ""
                                     << QByteArray("[A]\r\nX=\r\n");
    }
    void writesValues()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        TestEnvironment environment;
        const QString path = environment.root() + "/a.ini";
        if (!before.isEmpty())
            WriteBytes(path, before);
        QVERIFY(WriteIni(section, key, value, path));
        QCOMPARE(ReadBytes(path), after);
        QCOMPARE(ReadIni(section, key, path), value);
    }

    void writeIntoMissingFolderFails()
    {
        TestEnvironment environment;
        QVERIFY(!WriteIni("A", "k", "v", environment.root() + "/no/such/folder/a.ini"));
    }
};

ZETTLOR_TEST_CLASS(IniTest)
#include "IniTest.moc"

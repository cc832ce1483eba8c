#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modINI.h"

#include <QTest>

class IniTest final : public QObject
{
    Q_OBJECT

private slots:
    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("file");      // empty: no file
        QTest::addColumn<QStringList>("question"); // section, key, the value expected
        const QByteArray sample = "; comment\r\n[Options]\r\nICON=/tmp/a.png\r\n SoundNoteSent = x.wav \r\n"
                                  "[Settings]\r\n;Commented=1\r\n";
        QTest::newRow("any case") << sample << QStringList{"OPTIONS", "icon", "/tmp/a.png"};
        QTest::newRow("blanks trimmed") << sample << QStringList{"Options", "soundnotesent", "x.wav"};
        QTest::newRow("commented key") << sample << QStringList{"Settings", "Commented", ""};
        QTest::newRow("LF only, no final end") << QByteArray("[A]\nk=v") << QStringList{"A", "K", "v"};
        QTest::newRow("value with =") << QByteArray("[A]\r\nk=a=b\r\n") << QStringList{"A", "k", "a=b"};
        QTest::newRow("no file") << QByteArray() << QStringList{"A", "k", ""};
        QTest::newRow("key that grew upper-case")
            << QByteArray("[A]\r\nSTRASSE=v\r\n") << QStringList{"a", "Straße", "v"};
        QTest::newRow("second byte order mark")
            << QByteArray("\xef\xbb\xbf\xef\xbb\xbf[A]\r\nk=v\r\n") << QStringList{"A", "k", "v"};
    }
    void readsValues()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, question);
        TestEnvironment environment;
        const QString path = environment.root() + "/a.ini";
        if (!file.isEmpty())
            WriteBytes(path, file);
        QCOMPARE(modINI::ReadIni(question[0], question[1], path), question[2]);
    }

    // A name no line can hold is refused: the file stays as it was.
    void writesValues_data()
    {
        QTest::addColumn<QByteArray>("before");  // empty: no file
        QTest::addColumn<QStringList>("change"); // section, key, value
        QTest::addColumn<QByteArray>("after");
        const QByteArray kept = "[A]\r\nK=1\r\n";
        QTest::newRow("new file") << QByteArray() << QStringList{"Options", "Icon", "a.png"}
                                  << QByteArray("[Options]\r\nICON=a.png\r\n");
        QTest::newRow("replace keeps other lines")
            << QByteArray("; mine\r\n[Options]\r\nicon=old\r\nOther=1\r\n")
            << QStringList{"OPTIONS", "Icon", "new"}
            << QByteArray("; mine\r\n[Options]\r\nICON=new\r\nOther=1\r\n");
        QTest::newRow("append to section before next")
            << QByteArray("[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n") << QStringList{"a", "z", "3"}
            << QByteArray("[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\n");
        QTest::newRow("LF file stays LF")
            << QByteArray("[A]\nX=1\n") << QStringList{"A", "X", ""} << QByteArray("[A]\nX=\n");
        QTest::newRow("line breaks in a value")
            << kept << QStringList{"S", "C", "x\r\n[A]\r\nK=e\n\r"} << kept + "[S]\r\nC=x  [A]  K=e  \r\n";
        QTest::newRow("= in key") << kept << QStringList{"A", "k=v", "v"} << kept;
        QTest::newRow("key reads as section") << kept << QStringList{"A", "[B]", "v"} << kept;
        QTest::newRow("line break in key") << kept << QStringList{"A", "k\nX", "v"} << kept;
        QTest::newRow("empty key") << kept << QStringList{"A", "", "v"} << kept;
        QTest::newRow("] in section") << kept << QStringList{"A]x", "k", "v"} << kept;
    }
    void writesValues()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, change);
        QFETCH(QByteArray, after);
        TestEnvironment environment;
        const QString path = environment.root() + "/a.ini";
        if (!before.isEmpty())
            WriteBytes(path, before);
        QCOMPARE(modINI::WriteIni(change[0], change[1], change[2], path), after != before);
        QCOMPARE(ReadBytes(path), after);
    }
};

ZETTLOR_TEST_CLASS(IniTest)
#include "IniTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modINI.h"

#include <QTest>

using modINI::ReadIni;
using modINI::WriteIni;

namespace {

void ReadRow(const char *name, const QByteArray &file, const QString &section, const QString &key,
             const QString &expected)
{
    QTest::newRow(name) << file << section << key << expected;
}

void WriteRow(const char *name, const QByteArray &before, const QString &section, const QString &key,
              const QString &value, const QByteArray &after)
{
    QTest::newRow(name) << before << section << key << value << after;
}

} // namespace

class IniTest final : public QObject
{
    Q_OBJECT

private slots:
    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray sample = "; comment\r\n[Options]\r\nICON=/tmp/a.png\r\n SoundNoteSent = x.wav \r\n"
                                  "[Settings]\r\nContacts=1.2.3.4(Bob)\r\n;Commented=1\r\n";
        ReadRow("any case", sample, "OPTIONS", "icon", "/tmp/a.png");
        ReadRow("blanks trimmed", sample, "Options", "soundnotesent", "x.wav");
        ReadRow("wrong section", sample, "Settings", "Icon", "");
        ReadRow("commented key", sample, "Settings", "Commented", "");
        ReadRow("LF only, no final end", "[A]\nk=v", "A", "K", "v");
        ReadRow("value with =", "[A]\r\nk=a=b\r\n", "A", "k", "a=b");
        ReadRow("long value whole", "[S]\r\nC=" + QByteArray(2000, 'c') + "\r\n", "S", "C",
                QString(2000, 'c'));
        ReadRow("no file", "", "A", "k", "");
        ReadRow("key that grew upper-case", "[A]\r\nSTRASSE=v\r\n", "a", "Straße", "v");
        ReadRow("second byte order mark", "\xef\xbb\xbf\xef\xbb\xbf[A]\r\nk=v\r\n", "A", "k", "v");
    }
    void readsValues()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        TestEnvironment environment;
        const QString path = environment.root() + "/a.ini";
        if (!file.isEmpty())
            WriteBytes(path, file);
        QTEST(ReadIni(section, key, path), "expected");
    }

    // A name no line can hold is refused: the file stays as it was.
    void writesValues_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        WriteRow("new file", "", "Options", "Icon", "a.png", "[Options]\r\nICON=a.png\r\n");
        WriteRow("replace keeps other lines", "; mine\r\n[Options]\r\nicon=old\r\nOther=1\r\n", "OPTIONS",
                 "Icon", "new", "; mine\r\n[Options]\r\nICON=new\r\nOther=1\r\n");
        WriteRow("append to section before next", "[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n", "a", "z", "3",
                 "[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\n");
        WriteRow("LF file stays LF", "[A]\nX=1\n", "A", "X", "", "[A]\nX=\n");
        WriteRow("line breaks in a value", "[Options]\r\nICON=a\r\n", "Settings", "Contacts",
                 "x\r\n[Options]\r\nICON=e\n\r",
                 "[Options]\r\nICON=a\r\n[Settings]\r\nCONTACTS=x  [Options]  ICON=e  \r\n");
        const QByteArray kept = "[A]\r\nK=1\r\n";
        WriteRow("= in key", kept, "A", "k=v", "v", kept);
        WriteRow("key reads as section", kept, "A", "[B]", "v", kept);
        WriteRow("line break in key", kept, "A", "k\nX", "v", kept);
        WriteRow("empty key", kept, "A", "", "v", kept);
        WriteRow("] in section", kept, "A]x", "k", "v", kept);
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
        QCOMPARE(WriteIni(section, key, value, path), after != before);
        QCOMPARE(ReadBytes(path), after);
    }
};

ZETTLOR_TEST_CLASS(IniTest)
#include "IniTest.moc"

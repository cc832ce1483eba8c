#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modAlerts.h"
#include "core/modINI.h"
#include "core/modText.h"

#include <QDir>
#include <QTest>

class IniTest final : public QObject
{
    Q_OBJECT

private slots:
    // (section, key) reads the value, (section, key, value) writes the bytes; a name no line holds is
    // refused.
    void readsAndWritesValues_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: no file
        QTest::addColumn<QStringList>("question");
        QTest::addColumn<QByteArray>("after"); // the value read, or the file written
        const auto row = [](const char *tag, QByteArray before, QStringList question, QByteArray after) {
            QTest::newRow(tag) << before << question << after;
        };
        row("any case, blanks trimmed", "; c\r\n[Options]\r\n SoundNoteSent = x.wav \r\n",
            {"OPTIONS", "soundnotesent"}, "x.wav");
        row("LF only, no final end, two marks", "\xef\xbb\xbf\xef\xbb\xbf[A]\nk=a=b", {"A", "K"}, "a=b");
        const QByteArray kept = "[A]\r\nK=1\r\n";
        row("new file", "", {"Options", "Icon", "J\u00f6rg \u20ac"},
            "[Options]\r\nICON=J\xc3\xb6rg \xe2\x82\xac\r\n");
        row("replace in an LF file", "; c\n[A]\nicon=old\nOther=1\n", {"a", "Icon", ""},
            "; c\n[A]\nICON=\nOther=1\n");
        row("append to section before next", "[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n", {"a", "z", "3"},
            "[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\n");
        row("line breaks in a value", kept, {"S", "C", "x\r\n[A]\r\nK=e\n\r"},
            kept + "[S]\r\nC=x  [A]  K=e  \r\n");
        row("key reads as section", kept, {"A", "[B]", "v"}, kept);
        row("] in section", kept, {"A]x", "k", "v"}, kept);
    }
    void readsAndWritesValues()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, question);
        QFETCH(QByteArray, after);
        TestEnvironment environment;
        const QString path = environment.root() + "/a.ini";
        if (!before.isEmpty())
            WriteBytes(path, before);
        if (question.size() == 2) {
            QCOMPARE(modINI::ReadIni(question[0], question[1], path), QString(after));
            return;
        }
        QCOMPARE(modINI::WriteIni(question[0], question[1], question[2], path), after != before);
        QCOMPARE(ReadBytes(path), after);
    }

    // An unreadable file (a folder in its place) is never rewritten from nothing: values are held, the user
    // told once, and they go in with the next write once it can be read.
    void unreadableFileIsNeverWritten()
    {
        TestEnvironment environment;
        const QString path = environment.root() + "/a.ini";
        QDir().mkpath(path);
        QStringList alerts;
        modAlerts::SetAlertPresenter([&](const QString &text) { alerts << text; });
        modINI::WriteIni("Options", "Icon", "a.png", path);
        modINI::WriteIni("Settings", "Contacts", "5.6.7.8(Eve)", path);
        modAlerts::SetAlertPresenter({});
        QCOMPARE(modINI::ReadIni("Settings", "Contacts", path), QString("5.6.7.8(Eve)"));
        QVERIFY2(alerts.size() == 1 && alerts[0].contains(path), qPrintable(alerts.join('|')));
        QVERIFY(QDir().rmdir(path));
        WriteBytes(path, "[Settings]\r\nCONTACTS=1.2.3.4(Bob)\r\n");
        modINI::WriteIni("Misc", "Version", "3.0.6", path);
        QCOMPARE(
            ReadBytes(path),
            "[Settings]\r\nCONTACTS=5.6.7.8(Eve)\r\n[Options]\r\nICON=a.png\r\n[Misc]\r\nVERSION=3.0.6\r\n");
    }

    void decodesBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("narrowest"); // the bytes are also how text is written
        const auto row = [](const char *tag, QByteArray bytes, QString text, bool narrowest = false) {
            QTest::newRow(tag) << bytes << text << narrowest;
        };
        row("Windows-1252", "Caf\xe9 \x80", "Café €", true);
        row("beyond Windows-1252", "\xce\xa9", "Ω", true);
        row("UTF-8 with mark", "\xef\xbb\xbfok", "ok");
        row("UTF-8 with a stray byte", "Gr\xc3\xbc\xc3\x9f \x80", "Grüß €");
        // An overlong form, a surrogate and a code past U+10FFFF are no UTF-8.
        row("malformed UTF-8", "\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xf0\x9f\x98\x80",
            "À¯í\u00a0€ô\u0090€€😀");
        row("UTF-8 when Windows-1252 reads back otherwise", "\xc3\x83\xc2\xa9 \xe2\x82\xac", "Ã© €", true);
    }
    void decodesBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, narrowest);
        QCOMPARE(modText::DecodeBytes(bytes), text);
        QVERIFY(!narrowest || modText::EncodeNarrowest(text) == bytes);
    }
};

ZETTLOR_TEST_CLASS(IniTest)
#include "IniTest.moc"

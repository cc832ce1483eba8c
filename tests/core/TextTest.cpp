#include "TestRegistry.h"

#include "core/modText.h"

#include <QTest>

using namespace modText;

class TextTest final : public QObject
{
    Q_OBJECT

private slots:
    // Stored values are scrambled; older copies stored arbitrary 8-bit texts.
    void scramblingRoundTrips_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("scrambled");
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QTest::newRow("every stored byte") << DecodeText(FromWindows1252(all)) << FromWindows1252(all);
        QTest::newRow("beyond Windows-1252") << "Ζεττλορ 付箋" << QString();
        QTest::newRow("looks like the marker") << QString::fromLatin1("\xEF\xBB\xBFx") << QString();
    }
    void scramblingRoundTrips()
    {
        QFETCH(QString, plain);
        QFETCH(QString, scrambled); // empty: only the round trip is checked
        QVERIFY(scrambled.isEmpty() || EncodeText(plain) == scrambled);
        QCOMPARE(DecodeText(EncodeText(plain)), plain);
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
        QCOMPARE(DecodeBytes(bytes), text);
        QVERIFY(!narrowest || EncodeNarrowest(text) == bytes);
    }
};

ZETTLOR_TEST_CLASS(TextTest)
#include "TextTest.moc"

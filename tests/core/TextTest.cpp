#include "TestRegistry.h"

#include "core/modText.h"

#include <QTest>

using namespace modText;

class TextTest final : public QObject
{
    Q_OBJECT

private slots:
    void scramblingRoundTrips_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("scrambled"); // empty: only the round trip is checked
        QTest::newRow("wraps past 255") << QString(QChar(0xFF)) << QString(QChar(0x00));
        QTest::newRow("beyond Windows-1252") << "Ζεττλορ 付箋" << QString();
        QTest::newRow("looks like the marker") << QString::fromLatin1("\xEF\xBB\xBFx") << QString();
    }
    void scramblingRoundTrips()
    {
        QFETCH(QString, plain);
        QFETCH(QString, scrambled);
        const QString encoded = EncodeText(plain);
        if (!scrambled.isEmpty())
            QCOMPARE(encoded, scrambled);
        QCOMPARE(DecodeText(encoded), plain);
    }

    void decodesEveryStoredByte()
    {
        // Values written by older copies are arbitrary 8-bit texts.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString stored = FromWindows1252(all);
        QCOMPARE(EncodeText(DecodeText(stored)), stored);
    }

    void decodesBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("narrowest"); // the bytes are also how text is written
        const auto row = [](const char *tag, QByteArray bytes, QString text, bool narrowest) {
            QTest::newRow(tag) << bytes << text << narrowest;
        };
        row("Windows-1252", "Caf\xe9 \x80", "Café €", true);
        row("beyond Windows-1252", "\xce\xa9", "Ω", true);
        row("UTF-8 with mark", "\xef\xbb\xbfok", "ok", false);
        row("cut UTF-8 falls back", "a\xc3", "aÃ", false);
        row("UTF-8 with a stray byte",
            "Gr\xc3\xbc\xc3\x9f"
            "e \x80",
            "Grüße €", false);
        row("mark, then a stray byte", "\xef\xbb\xbf\xe9", "é", false);
        row("overlong form is no UTF-8", "\xc0\xaf\xc3\xa9", "À¯é", false);
        row("surrogate is no UTF-8", "\xed\xa0\x80\xc3\xa9", "í\u00a0€é", false);
        row("past U+10FFFF is no UTF-8", "\xf4\x90\x80\x80\xf0\x9f\x98\x80", "ô\u0090€€😀", false);
        row("sent as UTF-8 when Windows-1252 reads back otherwise", "\xc3\x83\xc2\xa9 \xe2\x82\xac", "Ã© €",
            true);
    }
    void decodesBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, narrowest);
        QCOMPARE(DecodeBytes(bytes), text);
        if (narrowest)
            QCOMPARE(EncodeNarrowest(text), bytes);
    }
};

ZETTLOR_TEST_CLASS(TextTest)
#include "TextTest.moc"

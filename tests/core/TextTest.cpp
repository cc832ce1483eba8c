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
        QTest::newRow("known value") << "abc" << "bdf";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("wraps past 255") << QString(QChar(0xFF)) << QString(QChar(0x00));
        QTest::newRow("Windows-1252 letters") << "Café Müller" << "";
        QTest::newRow("euro and quotes") << "€ „x“" << "";
        QTest::newRow("beyond Windows-1252") << "Ζεττλορ 付箋" << "";
        QTest::newRow("long text") << QString(600, 'q') << "";
        QTest::newRow("looks like the marker") << QString::fromLatin1("\xEF\xBB\xBFx") << "";
    }
    void scramblingRoundTrips()
    {
        QFETCH(QString, plain);
        QFETCH(QString, scrambled);
        const QString encoded = EncodeText(plain);
        if (!scrambled.isEmpty() || plain.isEmpty())
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
        QTest::newRow("ASCII") << QByteArray("plain") << "plain";
        QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9") << "Café";
        QTest::newRow("Windows-1252") << QByteArray("Caf\xe9 \x80") << "Café €";
        QTest::newRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbfok") << "ok";
        QTest::newRow("cut UTF-8 falls back") << QByteArray("a\xc3") << QString::fromUtf8("aÃ");
    }
    void decodesBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(DecodeBytes(bytes), text);
    }

    void encodesNarrowest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("fits") << "Café €" << QByteArray("Caf\xe9 \x80");
        QTest::newRow("does not fit") << "Ω" << QByteArray("\xce\xa9");
    }
    void encodesNarrowest()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EncodeNarrowest(text), bytes);
        QCOMPARE(DecodeBytes(bytes), text);
    }
};

ZETTLOR_TEST_CLASS(TextTest)
#include "TextTest.moc"

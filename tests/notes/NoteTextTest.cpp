#include "TestRegistry.h"

#include "notes/modNoteText.h"

#include <QTest>

using namespace modNoteText;

class NoteTextTest final : public QObject
{
    Q_OBJECT

private slots:
    void readsFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("noteText");
        QTest::addColumn<QString>("fromIP");
        QTest::addColumn<QString>("fromName");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::newRow("trailer") << "1,2,3,4,,F,9,0,0,hi[FROM=1.2.3.4|Desk 2]" << "hi" << "1.2.3.4" << "Desk 2" << false << false;
        QTest::newRow("last trailer wins") << "1,2,3,4,,F,9,0,0,a[FROM=x|y]b[FROM=5.6.7.8|N]" << "a[FROM=x|y]b" << "5.6.7.8" << "N" << false << false;
        QTest::newRow("empty address is text") << "1,2,3,4,,F,9,0,0,[FROM=|][FROM=|]" << "[FROM=|][FROM=|]" << "" << "" << false << false;
        QTest::newRow("trailer word in font name") << "1,2,3,4,,F[FROM=D|,9,0,0,t]" << "t]" << "" << "" << false << false;
        QTest::newRow("no bar is no trailer") << "1,2,3,4,,F,9,0,0,a[FROM=b]" << "a[FROM=b]" << "" << "" << false << false;
        QTest::newRow("trailer word inside text") << "1,2,3,4,,F,9,0,0,a[FROM=b|c] d" << "a[FROM=b|c] d" << "" << "" << false << false;
        QTest::newRow("ITALICBOLD") << "1,2,3,4,ITALICBOLD,F,9,0,0,t" << "t" << "" << "" << true << true;
        QTest::newRow("xxboldxx") << "1,2,3,4,xxboldxx,F,9,0,0,t" << "t" << "" << "" << true << false;
        QTest::newRow("partial keeps whole text") << "1,2,3" << "1,2,3" << "" << "" << false << false;
    }
    void readsFields()
    {
        QFETCH(QString, text);
        const NoteRecord record = ParseNoteText(text);
        QTEST(record.text, "noteText");
        QTEST(record.fromIP, "fromIP");
        QTEST(record.fromName, "fromName");
        QTEST(record.bold, "bold");
        QTEST(record.italic, "italic");
    }

    void badFieldsStayUnset()
    {
        const NoteRecord record = ParseNoteText("abc,,*,x,,,big,99999999999,-1,text");
        QVERIFY(!record.height);
        QVERIFY(!record.width);
        QVERIFY(record.leftCentred);
        QVERIFY(!record.left);
        QVERIFY(!record.top);
        QVERIFY(!record.fontName);
        QVERIFY(!record.fontSize);
        QVERIFY(!record.backColour);
        QCOMPARE(record.textColour, std::optional<qint32>(-1));
        QCOMPARE(record.text, QString("text"));
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<float>("value");
        QTest::newRow("dot") << "10.5" << 10.5f;
        QTest::newRow("comma") << "-10,5" << -10.5f;
    }
    void numbers()
    {
        QFETCH(QString, field);
        QFETCH(float, value);
        QCOMPARE(ParseNumber(field), std::optional<float>(value));
    }

    void roundsHalfToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("rounded");
        QTest::newRow("10.5") << 10.5 << qint64(10);
        QTest::newRow("11.5") << 11.5 << qint64(12);
        QTest::newRow("10.6") << 10.6 << qint64(11);
        QTest::newRow("-2.5") << -2.5 << qint64(-2);
    }
    void roundsHalfToEven()
    {
        QFETCH(double, value);
        QTEST(RoundHalfEven(value), "rounded");
    }

    void formatsNumbers_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction with dot") << -2880.5f << "-2880.5";
        QTest::newRow("tiny negative is zero") << -0.0000003f << "0";
        QTest::newRow("large whole stays plain") << 12000000.0f << "12000000";
    }
    void formatsNumbers()
    {
        QFETCH(float, value);
        QTEST(FormatNumber(value), "text");
    }
};

ZETTLOR_TEST_CLASS(NoteTextTest)
#include "NoteTextTest.moc"

#include "TestRegistry.h"

#include "notes/modNoteText.h"

#include <QTest>

using namespace modNoteText;

namespace {

NoteValues ValuesOf(const NoteRecord &record)
{
    NoteValues values;
    values.height = record.height.value_or(0);
    values.width = record.width.value_or(0);
    values.left = record.left;
    values.top = record.top;
    values.bold = record.bold;
    values.italic = record.italic;
    values.fontName = record.fontName.value_or(QString());
    values.fontSize = record.fontSize.value_or(0);
    values.backColour = record.backColour.value_or(0);
    values.textColour = record.textColour.value_or(0);
    values.text = record.text;
    values.fromIP = record.fromIP;
    values.fromName = record.fromName;
    return values;
}

} // namespace

class NoteTextTest final : public QObject
{
    Q_OBJECT

private slots:
    void writesWhatItReads_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("made here") << "2880,3255,7200,1440,Bold,Verdana,10,12648447,0,Buy milk, bread";
        QTest::newRow("received") << "2880,3255,7200,1440,Bold,Verdana,10,12648447,0,Buy milk, bread[FROM=192.168.1.20|Desk 2]";
        QTest::newRow("no position") << "2880,3255,*,*,,Verdana,12,12648447,0,Hello";
        QTest::newRow("commas star CR LF") << "2880,3255,15,30,Italic,Arial,9,255,-2147483643,a,b,*\r\n*,c\r\n";
        QTest::newRow("non-ASCII") << "2880,3255,15,30,BoldItalic,DejaVu Sans,11,0,16777215,Grüße “x” 日本";
        QTest::newRow("own text holds the trailer word") << "2880,3255,15,30,,Arial,9,0,0,see [FROM=x|y] here";
        QTest::newRow("received, own text holds the trailer word") << "2880,3255,15,30,,Arial,9,0,0,a[FROM=1|2]b[FROM=10.0.0.1|Desk]";
        QTest::newRow("fraction") << "2880.5,3255,-15,30,,Arial,9,0,0,x";
    }
    void writesWhatItReads()
    {
        QFETCH(QString, text);
        QCOMPARE(FormatNoteText(ValuesOf(ParseNoteText(text))), text);
    }

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
        QTest::newRow("no bar is no trailer") << "1,2,3,4,,F,9,0,0,a[FROM=b]" << "a[FROM=b]" << "" << "" << false << false;
        QTest::newRow("trailer word inside text") << "1,2,3,4,,F,9,0,0,a[FROM=b|c] d" << "a[FROM=b|c] d" << "" << "" << false << false;
        QTest::newRow("ITALICBOLD") << "1,2,3,4,ITALICBOLD,F,9,0,0,t" << "t" << "" << "" << true << true;
        QTest::newRow("xxboldxx") << "1,2,3,4,xxboldxx,F,9,0,0,t" << "t" << "" << "" << true << false;
        QTest::newRow("no commas is all text") << "just text[x]" << "just text[x]" << "" << "" << false << false;
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
        QTest::newRow("comma") << "10,5" << 10.5f;
        QTest::newRow("negative") << "-1440" << -1440.0f;
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
        QTest::newRow("10.4") << 10.4 << qint64(10);
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
        QTest::newRow("whole") << 2880.0f << "2880";
        QTest::newRow("fraction with dot") << 2880.5f << "2880.5";
        QTest::newRow("negative") << -15.0f << "-15";
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

#include "TestRegistry.h"

#include "notes/modNoteText.h"

#include <QTest>

using namespace modNoteText;

namespace {

// The record in one line: the nine fields ("-" when unset, "*" centred, "B"
// and "I" for the style), the text, the sender's address and name.
QString Described(const NoteRecord &r)
{
    const auto number = [](const auto &value) { return value ? QString::number(*value) : QString("-"); };
    return QString("%1|%2|%3|%4|%5|%6|%7|%8|%9|")
               .arg(number(r.height), number(r.width), r.leftCentred ? "*" : number(r.left),
                    r.topCentred ? "*" : number(r.top), QString(r.bold ? "B" : "") + (r.italic ? "I" : ""),
                    r.fontName.value_or("-"), number(r.fontSize), number(r.backColour),
                    number(r.textColour)) +
           r.text + "|" + r.fromIP + "|" + r.fromName;
}

} // namespace

class NoteTextTest final : public QObject
{
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("record");
        const auto row = [](const char *name, const char *text, const char *record) {
            QTest::newRow(name) << QString(text) << QString(record);
        };
        row("last trailer wins", "1,2,3,4,,F,9,0,0,a[FROM=x|y]b[FROM=5.6.7.8|N]",
            "1|2|3|4||F|9|0|0|a[FROM=x|y]b|5.6.7.8|N");
        row("empty address is text", "1,2,3,4,,F,9,0,0,[FROM=|][FROM=|]",
            "1|2|3|4||F|9|0|0|[FROM=|][FROM=|]||");
        row("trailer word in font name", "1,2,3,4,,F[FROM=D|,9,0,0,t]", "1|2|3|4||F[FROM=D||9|0|0|t]||");
        row("trailer word inside text", "1,2,3,4,,F,9,0,0,a[FROM=b|c] d", "1|2|3|4||F|9|0|0|a[FROM=b|c] d||");
        row("bad fields stay unset", "abc,,*,x,ITALICBOLD,,big,99999999999,-1,t", "-|-|*|-|BI|-|-|-|-1|t||");
        row("partial keeps whole text", "1,2.5,3", "1|2.5|-|-||-|-|-|-|1,2.5,3||");
    }
    void reads()
    {
        QFETCH(QString, text);
        QTEST(Described(ParseNoteText(text)), "record");
    }

    void formatsNumbers_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction with dot") << -2880.5f << "-2880.5";
        QTest::newRow("tiny negative is zero") << -0.0000003f << "0";
    }
    void formatsNumbers()
    {
        QFETCH(float, value);
        QTEST(FormatNumber(value), "text");
    }
};

ZETTLOR_TEST_CLASS(NoteTextTest)
#include "NoteTextTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "about/modAbout.h"
#include "about/winAbout.h"
#include "core/modText.h"
#include "web/modWebLinks.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <optional>

namespace {

// A 120 x 40 GIF.
const QByteArray kPicture = QByteArray::fromBase64(
    "R0lGODlheAAoAPABACpvsP///yH5BAAAAAAALAAAAAB4ACgAAAKJhI+py+0Po5y02ouz3rz7D4biSJbmiabqyrbuC8fyTJvBjef6"
    "zvf+DwwKf5eh8YhMKm/FpfMJHTaj1Gp0as1qpZat99vDgsdbMflMNaPXSzX7bXTD58Qu/S6U4/cBPf/u9zcXKPhGWLh2iHimuDjW"
    "6PgFGVlWY3mJmam5ydnp+QkaKjpKWmqaWQAAOw==");

winAbout *OpenBox()
{
    modAbout::OpenAbout();
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<winAbout *>(window); box && box->isVisible())
            return box;
    }
    return nullptr;
}

int Bottom(const QWidget *widget)
{
    return widget->geometry().bottom() + 1;
}

// Odd widths leave one pixel more on one side.
bool Centred(int left, int width, int outerLeft, int outerWidth)
{
    return qAbs((left - outerLeft) * 2 + width - outerWidth) <= 1;
}

// What holds for every layout: nothing outside the box or on top of another
// section, the block around its content with the caption on its top edge, the
// picture centred in it, the lines stacked under the picture as one centred
// column, and the button last.
void CheckLayout(const winAbout &box)
{
    for (const QWidget *part : box.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (part->isVisible())
            QVERIFY2(box.rect().contains(part->geometry()), qPrintable(part->objectName()));
    }
    QVERIFY(Bottom(box.Frame1) <= box.Label5->y());
    QVERIFY(Centred(box.Frame1->x(), box.Frame1->width(), 0, box.width()));
    if (!box.Shape2->isVisible()) {
        QVERIFY(Bottom(box.Label5) <= box.Command1->y());
        return;
    }
    const QRect block = box.Shape2->geometry();
    QVERIFY(Bottom(box.Label5) <= box.Label6->y());
    QVERIFY(box.Label6->geometry().contains(box.Label6->x(), block.top()));
    QCOMPARE(box.Label5->x(), block.x()); // the band and the block line up
    QCOMPARE(box.Label5->width(), block.width());
    QVERIFY(block.bottom() < box.Command1->y());
    QVERIFY(block.contains(box.Picture2->geometry()));
    QVERIFY(Centred(box.Picture2->x(), box.Picture2->width(), block.x(), block.width()));
    int top = Bottom(box.Picture2) + 7, widest = 0;
    QList<int> lefts;
    for (const QLabel *line : {box.Label7, box.Label8, box.Label9}) {
        if (!line->isVisible())
            continue;
        QCOMPARE(line->y(), top);
        QVERIFY(block.contains(line->geometry()));
        top = Bottom(line) + 3;
        widest = std::max(widest, line->width());
        lefts << line->x();
    }
    if (!lefts.isEmpty()) {
        QCOMPARE(lefts.count(lefts.first()), lefts.size());
        QVERIFY(Centred(lefts.first(), widest, 0, box.width()));
    }
}

} // namespace

class AboutTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    QStringList m_opened;

    void writeBranding(bool picture, const QStringList &ini)
    {
        if (picture)
            WriteBytes(m_environment->programFolder() + "/About.gif", kPicture);
        QByteArray text = "[About]\r\n";
        for (const QString &entry : ini)
            text += entry.section('=', 0, 0).toUtf8() + "=" +
                    modText::EncodeText(entry.section('=', 1)).toUtf8() + "\r\n";
        if (!ini.isEmpty())
            WriteBytes(m_environment->programFolder() + "/About.ini", text);
    }

private slots:
    void init()
    {
        m_environment.emplace();
        m_opened.clear();
        qputenv("ZETTLOR_WEB_BASE", "https://maker.example");
        modWebLinks::SetUrlOpener([this](const QUrl &url) { m_opened << url.toString(); });
    }

    void brandingFollowsTheFiles_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QStringList>("ini");    // entries below [About], stored scrambled
        QTest::addColumn<QStringList>("opened"); // clicking every shown part, in order
        QTest::addColumn<bool>("handOnPicture");
        const QStringList maker{"Label3=https://maker.example/", "Label4=mailto:support@maker.example"};
        const auto row = [&](const char *tag, bool picture, QStringList ini, QStringList opened, bool hand) {
            QTest::newRow(tag) << picture << ini << maker + opened << hand;
        };
        const QStringList all{"Email=ann@acme.example", "URL=https://acme.example", "Phone=555 0100"};
        const QString longUrl = "https://acme.example/" + QString(80, 'x');
        row("no branding", false, {}, {}, false);
        row("About.ini without a picture", false, all, {}, false);
        row("picture only", true, {}, {}, false);
        row("e-mail and phone", true, {"Email=ann@acme.example", "Phone=555 0100"},
            {"Label7=mailto:ann@acme.example"}, false);
        row("web address", true, {"URL=https://acme.example"},
            {"Picture2=https://acme.example", "Label8=https://acme.example"}, true);
        row("all three", true, all,
            {"Picture2=https://acme.example", "Label7=mailto:ann@acme.example",
             "Label8=https://acme.example"},
            true);
        row("line wider than the band", true, {"URL=" + longUrl},
            {"Picture2=" + longUrl, "Label8=" + longUrl}, true);
    }
    void brandingFollowsTheFiles()
    {
        QFETCH(bool, picture);
        QFETCH(QStringList, ini);
        QFETCH(bool, handOnPicture);
        writeBranding(picture, ini);
        winAbout *box = OpenBox();
        QVERIFY(box);
        for (QWidget *part : std::initializer_list<QWidget *>{box->Shape2, box->Label6, box->Picture2})
            QCOMPARE(part->isVisible(), picture);
        if (picture)
            QCOMPARE(box->Picture2->size(), QSize(120, 40));
        CheckLayout(*box);
        for (QLabel *part :
             {box->Label3, box->Label4, box->Picture2, box->Label7, box->Label8, box->Label9}) {
            if (!part->isVisible())
                continue;
            const qsizetype before = m_opened.size();
            QTest::mouseClick(part, Qt::LeftButton);
            if (m_opened.size() > before)
                m_opened.last().prepend(part->objectName() + "=");
        }
        QTEST(m_opened, "opened");
        QCOMPARE(box->Picture2->cursor().shape(), handOnPicture ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }

    void opensOnceAndAfreshAfterClosing_data()
    {
        QTest::addColumn<QString>("closeWith");
        QTest::newRow("OK") << "OK";
        QTest::newRow("Escape") << "Escape";
        QTest::newRow("close box") << "close box";
    }
    void opensOnceAndAfreshAfterClosing()
    {
        QFETCH(QString, closeWith);
        const QPointer<winAbout> box = OpenBox();
        QCOMPARE(box->windowTitle() + "|" + box->Label1->text(), QString("About Zettlor|Zettlor 3.0.6"));
        QCOMPARE(OpenBox(), box.data());
        QCOMPARE(QApplication::topLevelWidgets().count(box.data()), 1);
        if (closeWith == "OK")
            QTest::mouseClick(box->Command1, Qt::LeftButton);
        else if (closeWith == "Escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->close();
        QVERIFY(!box->isVisible());
        writeBranding(true, {}); // the next box reads the files again
        const winAbout *next = OpenBox();
        QVERIFY(next && next != box.data() && next->Shape2->isVisible());
        QTRY_VERIFY(!box);
    }

    void cleanup()
    {
        qDeleteAll(QApplication::topLevelWidgets());
        modWebLinks::SetUrlOpener({});
        qunsetenv("ZETTLOR_WEB_BASE");
        m_environment.reset();
    }
};

ZETTLOR_TEST_CLASS(AboutTest)
#include "AboutTest.moc"

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

// What holds for every layout: every part inside the box, the sections top
// to bottom, the caption on the block's top edge, band and block lined up,
// the picture centred in the block, and the lines 7 and 3 pixels (100 and 50
// twips) apart under it as one column centred in the box.
void CheckLayout(const winAbout &box)
{
    for (const QWidget *part : box.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (part->isVisible())
            QVERIFY2(box.rect().contains(part->geometry()), qPrintable(part->objectName()));
    }
    int top = 0;
    for (const QWidget *section : QWidgetList{box.Frame1, box.Label5, box.Shape2, box.Command1}) {
        QVERIFY(!section->isVisible() || section->y() >= top);
        top = section->isVisible() ? Bottom(section) : top;
    }
    QVERIFY(Centred(box.Frame1->x(), box.Frame1->width(), 0, box.width()));
    if (!box.Shape2->isVisible())
        return;
    const QRect block = box.Shape2->geometry();
    QVERIFY(box.Label6->geometry().contains(box.Label6->x(), block.top()));
    QVERIFY(box.Label5->x() == block.x() && box.Label5->width() == block.width());
    QVERIFY(Centred(box.Picture2->x(), box.Picture2->width(), block.x(), block.width()));
    const QList<QLabel *> lines{box.Label7, box.Label8, box.Label9};
    int widest = 0;
    for (const QLabel *line : lines)
        widest = line->isVisible() ? std::max(widest, line->width()) : widest;
    top = Bottom(box.Picture2) + 7;
    for (const QLabel *line : lines) {
        if (!line->isVisible())
            continue;
        QCOMPARE(line->y(), top);
        QVERIFY(block.contains(line->geometry()) && Centred(line->x(), widest, 0, box.width()));
        top = Bottom(line) + 3;
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

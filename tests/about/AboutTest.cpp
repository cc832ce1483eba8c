#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "about/modAbout.h"
#include "about/winAbout.h"
#include "core/modText.h"
#include "web/modWebLinks.h"

#include <QLabel>
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
    return ShownWindow<winAbout>();
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
    for (const QWidget *part : box.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(part->isHidden() || box.rect().contains(part->geometry()), qPrintable(part->objectName()));
    int top = 0;
    for (const QWidget *section : QWidgetList{box.Frame1, box.Label5, box.Shape2, box.Command1}) {
        QVERIFY(section->isHidden() || section->y() >= top);
        top = section->isHidden() ? top : Bottom(section);
    }
    QVERIFY(Centred(box.Frame1->x(), box.Frame1->width(), 0, box.width()));
    if (box.Shape2->isHidden())
        return;
    const QRect block = box.Shape2->geometry();
    QVERIFY(box.Label6->geometry().contains(box.Label6->x(), block.top()));
    QVERIFY(box.Label5->x() == block.x() && box.Label5->width() == block.width());
    QVERIFY(Centred(box.Picture2->x(), box.Picture2->width(), block.x(), block.width()));
    const QList<QLabel *> lines{box.Label7, box.Label8, box.Label9};
    int widest = 0;
    for (const QLabel *line : lines)
        widest = line->isHidden() ? widest : std::max(widest, line->width());
    top = Bottom(box.Picture2) + 7;
    for (const QLabel *line : lines) {
        if (line->isHidden())
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

private slots:
    void init()
    {
        m_environment.emplace();
        m_opened.clear();
        qputenv("ZETTLOR_WEB_BASE", "https://maker.example");
        modWebLinks::SetUrlOpener([this](const QUrl &url) { m_opened << url.toString(); });
    }
    void cleanup()
    {
        qDeleteAll(QApplication::topLevelWidgets());
        modWebLinks::SetUrlOpener({});
        qunsetenv("ZETTLOR_WEB_BASE");
        m_environment.reset();
    }

    // Each row first opens a box without branding and closes it another way:
    // an open box is raised, a closed one is built afresh and reads the files.
    void brandingFollowsTheFiles_data()
    {
        QTest::addColumn<QString>("closeWith");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QStringList>("ini");    // entries below [About], stored scrambled
        QTest::addColumn<QStringList>("opened"); // clicking every shown part, in order
        QTest::addColumn<bool>("handOnPicture");
        const QStringList maker{"Label3=https://maker.example/", "Label4=mailto:support@maker.example"};
        const auto row = [&](const char *tag, QString closeWith, bool picture, QStringList ini,
                             QStringList opened, bool hand) {
            QTest::newRow(tag) << closeWith << picture << ini << maker + opened << hand;
        };
        const QStringList all{"Email=ann@acme.example", "URL=https://acme.example", "Phone=555 0100"};
        const QString longUrl = "https://acme.example/" + QString(80, 'x');
        row("About.ini without a picture", "OK", false, all, {}, false);
        row("picture only", "Escape", true, {}, {}, false);
        row("e-mail and phone", "Escape", true, {"Email=ann@acme.example", "Phone=555 0100"},
            {"Label7=mailto:ann@acme.example"}, false);
        row("all three", "close box", true, all,
            {"Picture2=https://acme.example", "Label7=mailto:ann@acme.example",
             "Label8=https://acme.example"},
            true);
        row("line wider than the band", "OK", true, {"URL=" + longUrl},
            {"Picture2=" + longUrl, "Label8=" + longUrl}, true);
    }
    void brandingFollowsTheFiles()
    {
        QFETCH(QString, closeWith);
        QFETCH(bool, picture);
        QFETCH(QStringList, ini);
        const QPointer<winAbout> first = OpenBox();
        QCOMPARE(OpenBox(), first.data());
        QCOMPARE(TopLevelWindows<winAbout>(), QList<winAbout *>{first});
        if (closeWith == "OK")
            QTest::mouseClick(first->Command1, Qt::LeftButton);
        else if (closeWith == "Escape")
            QTest::keyClick(first, Qt::Key_Escape);
        else
            first->close();
        QVERIFY(!first->isVisible());

        if (picture)
            WriteBytes(m_environment->programFolder() + "/About.gif", kPicture);
        QByteArray text = "[About]\r\n";
        for (const QString &entry : ini)
            text += entry.section('=', 0, 0).toUtf8() + "=" +
                    modText::EncodeText(entry.section('=', 1)).toUtf8() + "\r\n";
        WriteBytes(m_environment->programFolder() + "/About.ini", text);
        winAbout *box = OpenBox();
        QVERIFY(box && box != first.data());
        QTRY_VERIFY(!first);
        for (QWidget *part : std::initializer_list<QWidget *>{box->Shape2, box->Label6, box->Picture2})
            QCOMPARE(part->isVisible(), picture);
        QVERIFY(!picture || box->Picture2->size() == QSize(120, 40));
        CheckLayout(*box);
        for (QLabel *part :
             {box->Label3, box->Label4, box->Picture2, box->Label7, box->Label8, box->Label9}) {
            const qsizetype before = m_opened.size();
            if (part->isVisible())
                QTest::mouseClick(part, Qt::LeftButton);
            if (m_opened.size() > before)
                m_opened.last().prepend(part->objectName() + "=");
        }
        QTEST(m_opened, "opened");
        QTEST(box->Picture2->cursor().shape() == Qt::PointingHandCursor, "handOnPicture");
    }
};

ZETTLOR_TEST_CLASS(AboutTest)
#include "AboutTest.moc"

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

// Every shown part lies inside the box, the sections stacked top to bottom
// and the block's contents inside the block.
void CheckLayout(const winAbout &box)
{
    for (const QWidget *part : box.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(part->isHidden() || box.rect().contains(part->geometry()), qPrintable(part->objectName()));
    int top = 0;
    for (const QWidget *section : QWidgetList{box.Frame1, box.Label5, box.Shape2, box.Command1}) {
        QVERIFY2(section->isHidden() || section->y() >= top, qPrintable(section->objectName()));
        top = section->isHidden() ? top : section->geometry().bottom() + 1;
    }
    for (const QWidget *part : QWidgetList{box.Picture2, box.Label7, box.Label8, box.Label9})
        QVERIFY2(part->isHidden() || box.Shape2->geometry().contains(part->geometry()),
                 qPrintable(part->objectName()));
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

    // Each row first opens a box before the files exist: a second opening
    // raises it; once closed, the next opening builds one afresh that reads
    // the files. Clicking each shown part opens its link.
    void brandingFollowsTheFiles_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QStringList>("ini");    // entries below [About], stored scrambled
        QTest::addColumn<QStringList>("opened"); // after the maker's two links
        const QStringList all{"Email=ann@acme.example", "URL=https://acme.example", "Phone=555 0100"};
        const QString longUrl = "https://acme.example/" + QString(80, 'x');
        QTest::newRow("About.ini without a picture") << false << all << QStringList();
        QTest::newRow("picture only") << true << QStringList() << QStringList();
        QTest::newRow("all three") << true << all
                                   << QStringList{"Picture2=https://acme.example",
                                                  "Label7=mailto:ann@acme.example",
                                                  "Label8=https://acme.example"};
        QTest::newRow("line wider than the band") << true << QStringList{"URL=" + longUrl}
                                                  << QStringList{"Picture2=" + longUrl, "Label8=" + longUrl};
    }
    void brandingFollowsTheFiles()
    {
        QFETCH(bool, picture);
        QFETCH(QStringList, ini);
        QFETCH(QStringList, opened);
        const QPointer<winAbout> first = OpenBox();
        QCOMPARE(OpenBox(), first.data());
        QCOMPARE(TopLevelWindows<winAbout>().size(), 1);
        QTest::mouseClick(first->Command1, Qt::LeftButton);
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
        QCOMPARE(box->Picture2->isVisible(), picture);
        CheckLayout(*box);
        for (QLabel *part :
             {box->Label3, box->Label4, box->Picture2, box->Label7, box->Label8, box->Label9}) {
            const qsizetype before = m_opened.size();
            if (part->isVisible())
                QTest::mouseClick(part, Qt::LeftButton);
            if (m_opened.size() > before)
                m_opened.last().prepend(part->objectName() + "=");
        }
        const QStringList maker{"Label3=https://maker.example/", "Label4=mailto:support@maker.example"};
        QCOMPARE(m_opened, maker + opened);
        QCOMPARE(box->Picture2->cursor().shape() == Qt::PointingHandCursor, !opened.isEmpty());
    }
};

ZETTLOR_TEST_CLASS(AboutTest)
#include "AboutTest.moc"

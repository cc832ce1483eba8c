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

namespace {

// A 120 x 40 GIF.
const QByteArray kPicture = QByteArray::fromBase64(
    "R0lGODlheAAoAPABACpvsP///yH5BAAAAAAALAAAAAB4ACgAAAKJhI+py+0Po5y02ouz3rz7D4biSJbmiabqyrbuC8fyTJvBjef6"
    "zvf+DwwKf5eh8YhMKm/FpfMJHTaj1Gp0as1qpZat99vDgsdbMflMNaPXSzX7bXTD58Qu/S6U4/cBPf/u9zcXKPhGWLh2iHimuDjW"
    "6PgFGVlWY3mJmam5ydnp+QkaKjpKWmqaWQAAOw==");

} // namespace

class AboutTest final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qDeleteAll(QApplication::topLevelWidgets()); }

    // A second opening raises the open box; after OK the next one is built
    // afresh and reads the files. Each shown part is clicked.
    void brandingFollowsTheFiles_data()
    {
        QTest::addColumn<QStringList>("files");  // "About.gif", or entries of About.ini
        QTest::addColumn<QStringList>("opened"); // after the maker's two links
        const QString url = "https://acme.example/";
        const QStringList all{"Email=ann@acme.example", "URL=" + url, "Phone=555 0100"};
        QTest::newRow("About.ini without a picture") << all << QStringList();
        QTest::newRow("picture only") << QStringList{"About.gif"} << QStringList();
        QTest::newRow("all three") << all + QStringList{"About.gif"}
                                   << QStringList{url, "mailto:ann@acme.example", url};
    }
    void brandingFollowsTheFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, opened);
        TestEnvironment environment;
        QStringList urls;
        modWebLinks::SetUrlOpener([&urls](const QUrl &url) { return urls << url.toString(), true; });
        qputenv("ZETTLOR_WEB_BASE", "https://maker.example");
        modAbout::OpenAbout();
        modAbout::OpenAbout();
        QCOMPARE(TopLevelWindows<winAbout>().size(), 1);
        const QPointer<winAbout> first = ShownWindow<winAbout>();
        QTest::mouseClick(first->Command1, Qt::LeftButton);
        QString ini = "[About]\r\n";
        for (const QString &entry : files)
            ini += entry.section('=', 0, 0) + "=" + modText::EncodeText(entry.section('=', 1)) + "\r\n";
        WriteBytes(environment.programFolder() + "/About.ini", ini.toUtf8());
        if (files.contains("About.gif"))
            WriteBytes(environment.programFolder() + "/About.gif", kPicture);
        modAbout::OpenAbout();
        winAbout *box = ShownWindow<winAbout>();
        QVERIFY(box && box != first.data());
        QCOMPARE(box->Picture2->isVisible(), files.contains("About.gif"));
        for (QLabel *part : {box->Label3, box->Label4, box->Picture2, box->Label7, box->Label8, box->Label9})
            if (part->isVisible())
                QTest::mouseClick(part, Qt::LeftButton);
        QCOMPARE(urls, QStringList({"https://maker.example/", "mailto:support@maker.example"}) + opened);
        QCOMPARE(box->Picture2->cursor().shape() == Qt::PointingHandCursor, !opened.isEmpty());
    }
};

ZETTLOR_TEST_CLASS(AboutTest)
#include "AboutTest.moc"

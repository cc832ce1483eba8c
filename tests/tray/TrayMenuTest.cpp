#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/modText.h"
#include "tray/winMenu.h"

#include <QAction>
#include <QMenu>
#include <QTest>

namespace {

// One line per menu entry: object name and caption, "-" for a separator.
QStringList Entries(const QMenu *menu)
{
    QStringList entries;
    for (const QAction *action : menu->actions())
        entries << action->objectName() + QLatin1Char('=') + (action->isSeparator() ? "-" : action->text()) +
                       (action->font().bold() ? " (bold)" : "");
    return entries;
}

void WriteAboutIni(const QString &path, const QString &name, const QString &url)
{
    QByteArray bytes = "[About]\r\n";
    if (!name.isNull())
        bytes += "Name=" + modText::EncodeText(name).toUtf8() + "\r\n";
    if (!url.isNull())
        bytes += "URL=" + modText::EncodeText(url).toUtf8() + "\r\n";
    WriteBytes(path, bytes);
}

} // namespace

class TrayMenuTest final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { delete winMenu::Instance(); }

    void menusListEveryItemInOrder_data()
    {
        QTest::addColumn<QString>("menuName");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("tray") << "TrayMenu"
                              << QStringList{"Options=Options (bold)",
                                             "sep111=-",
                                             "CreateNote=Create Note...",
                                             "Contacts=Contacts",
                                             "HideAllNotes=Hide All Notes",
                                             "sep99=-",
                                             "NoteArchive=Note Archive",
                                             "Sep5=-",
                                             "AboutWindow=About Zettlor",
                                             "Help=Help",
                                             "CheckForNewVersion=Check for New Version",
                                             "Sep4=-",
                                             "VisitVT=Visit Vantrel",
                                             "DonateToVT=Support Zettlor",
                                             "sep1=-",
                                             "Exit=Exit"};
        QTest::newRow("help") << "Help"
                              << QStringList{"ZettlorSupportForums=Zettlor Support Forums",
                                             "SendBugReport=Send Bug Report"};
        QTest::newRow("note") << "NoteMenu"
                              << QStringList{"EditNote=Open Note Editor (bold)",
                                             "QuickEditMode=Quick Edit Mode",
                                             "ReplyToSender=Reply to Sender...",
                                             "sep12=-",
                                             "SetNoteToTop=Set to On Top",
                                             "CopyToClipboard=Copy to Clipboard",
                                             "PrintNote=Print...",
                                             "Sep6=-",
                                             "RemoveNote=Delete Note..."};
    }
    void menusListEveryItemInOrder()
    {
        QFETCH(QString, menuName);
        QFETCH(QStringList, expected);
        TestEnvironment environment;
        winMenu *menu = winMenu::Create();
        const QMenu *shown = menuName == "TrayMenu" ? menu->TrayMenu
                             : menuName == "Help"   ? menu->Help
                                                    : menu->NoteMenu;
        QCOMPARE(shown->objectName(), menuName);
        QCOMPARE(Entries(shown), expected);
        if (shown == menu->TrayMenu)
            QCOMPARE(shown->defaultAction(), menu->Options);
    }

    void brandingRenamesVisitAndHidesDonate_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("visitCaption");
        QTest::addColumn<QString>("visitUrl");
        const QString maker = "Visit Vantrel";
        QTest::newRow("no About.ini") << false << QString() << QString() << maker << QString();
        QTest::newRow("no URL") << true << "Acme" << QString() << maker << QString();
        QTest::newRow("empty URL") << true << "Acme"
                                   << "" << maker << QString();
        QTest::newRow("no name") << true << QString() << "https://acme.example" << maker << QString();
        QTest::newRow("branded") << true << "Acme Notes"
                                 << "https://acme.example"
                                 << "Visit Acme Notes"
                                 << "https://acme.example";
        // A single "&" would become a mnemonic and vanish from the caption.
        QTest::newRow("ampersand doubled") << true << "Smith & Sons"
                                           << "https://s.example"
                                           << "Visit Smith && Sons"
                                           << "https://s.example";
    }
    void brandingRenamesVisitAndHidesDonate()
    {
        QFETCH(bool, fileExists);
        QFETCH(QString, name);
        QFETCH(QString, url);
        QFETCH(QString, visitCaption);
        QFETCH(QString, visitUrl);
        TestEnvironment environment;
        const QString aboutFile = environment.programFolder() + "/About.ini";
        if (fileExists)
            WriteAboutIni(aboutFile, name, url);
        winMenu *menu = winMenu::Create();
        menu->ApplyBranding(aboutFile);
        QCOMPARE(menu->VisitVT->text(), visitCaption);
        QCOMPARE(menu->DonateToVT->isVisible(), visitUrl.isEmpty());
        QCOMPARE(menu->brandingUrl, visitUrl);
    }
};

ZETTLOR_TEST_CLASS(TrayMenuTest)
#include "TrayMenuTest.moc"

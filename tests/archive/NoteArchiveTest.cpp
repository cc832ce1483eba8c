#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "archive/modArchive.h"
#include "archive/winNoteArchive.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "notes/modDualMonitors.h"
#include "notes/winNote.h"
#include "tray/winMenu.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QByteArray NotePrefix = "2880,3255,1500,1500,,Verdana,10,12648447,0,";

// Archives one note per name; its text is the name without ".zln".
void Archive(const QStringList &names)
{
    for (const QString &name : names)
        WriteBytes(modFiles::ArchiveFolder() + "/" + name, NotePrefix + QFileInfo(name).baseName().toUtf8());
}

winNoteArchive *Opened()
{
    modArchive::OpenNoteArchive();
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *archive = qobject_cast<winNoteArchive *>(window); archive && archive->isVisible())
            return archive;
    return nullptr;
}

QStringList Rows(const winNoteArchive *archive, int column = 0)
{
    QStringList rows;
    for (int row = 0; row < archive->ListView->topLevelItemCount(); ++row)
        rows << archive->ListView->topLevelItem(row)->text(column);
    return rows;
}

int Selected(const winNoteArchive *archive)
{
    const auto selected = archive->ListView->selectedItems();
    return selected.isEmpty() ? -1 : archive->ListView->indexOfTopLevelItem(selected.first());
}

void ClickRow(winNoteArchive *archive, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTreeWidget *list = archive->ListView;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(list->topLevelItem(row)).center());
}

// "name=text" of a note file in Active; new names (digits) show as "new.zln".
QString ActiveEntry(const QString &name)
{
    static const QRegularExpression newName("^\\d{14}\\.zln$");
    const QByteArray bytes = ReadBytes(modFiles::ActiveFolder() + "/" + name);
    return (newName.match(name).hasMatch() ? "new.zln" : name) + "=" + bytes.mid(NotePrefix.size());
}

} // namespace

class NoteArchiveTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080));
        winMenu::Create();
    }
    void cleanup()
    {
        QList<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->inherits("winNoteArchive") || window->inherits("winNote"))
                windows << window;
        qDeleteAll(windows);
        delete winMenu::Instance();
        modDialogs::SetDialogRunner({});
        QLocale::setDefault(QLocale::system());
        modDualMonitors::SetVirtualScreenForTests(std::nullopt);
    }

    void rowText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString text33 = "123456789012345678901234567890abc";
        QTest::newRow("33 characters whole") << text33 << text33;
        QTest::newRow("34 characters cut") << text33 + "d" << text33.left(30) + "...";
        QTest::newRow("received, without trailer") << "Buy milk, bread[FROM=192.168.1.20|Desk 2]"
                                                   << "Buy milk, bread";
        QTest::newRow("line breaks on one line") << "first\r\nsecond"
                                                 << "first second";
        QTest::newRow("no half character at the cut")
            << QString(29, 'x') + "\U0001F600yyyy" << QString(29, 'x') + "...";
    }
    void rowText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        TestEnvironment environment;
        WriteBytes(modFiles::ArchiveFolder() + "/n.zln", NotePrefix + text.toUtf8());
        QCOMPARE(Rows(Opened()), QStringList{shown});
    }

    void commands_data()
    {
        QTest::addColumn<QString>("before"); // "n...": the archive holds n.zln, else a, b and c
        QTest::addColumn<int>("row");        // the row the user selects; -1: Ctrl+click clears it
        QTest::addColumn<QString>("action"); // restore, delete yes, delete no
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("active");
        const QStringList none;
        QTest::newRow("restore the only row")
            << "n" << 0 << "restore" << none << -1 << QStringList{"n.zln=n"};
        QTest::newRow("restore the middle row")
            << "" << 1 << "restore" << QStringList{"c", "a"} << 0 << QStringList{"b.zln=b"};
        QTest::newRow("restore onto a taken name")
            << "n, taken" << 0 << "restore" << none << -1 << QStringList{"n.zln=on the desktop", "new.zln=n"};
        QTest::newRow("failed restore")
            << "n, Active is a file" << 0 << "restore" << QStringList{"n"} << 0 << none;
        QTest::newRow("nothing selected")
            << "" << -1 << "restore" << QStringList{"c", "b", "a"} << -1 << none;
        QTest::newRow("delete, yes") << "" << 2 << "delete yes" << QStringList{"c", "b"} << 1 << none;
        QTest::newRow("delete, no") << "" << 2 << "delete no" << QStringList{"c", "b", "a"} << 2 << none;
        QTest::newRow("delete, file already gone")
            << "a gone" << 2 << "delete yes" << QStringList{"c", "b"} << 1 << none;
        QTest::newRow("delete, note archived while asking")
            << "d arrives" << 2 << "delete yes" << QStringList{"d", "c", "b"} << 2 << none;
    }
    void commands()
    {
        QFETCH(QString, before);
        QFETCH(int, row);
        QFETCH(QString, action);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, active);
        TestEnvironment environment;
        modFiles::CreateDataFolders();
        Archive(before.startsWith('n') ? QStringList{"n.zln"} : QStringList{"a.zln", "b.zln", "c.zln"});
        if (before == "n, taken")
            WriteBytes(modFiles::ActiveFolder() + "/n.zln", NotePrefix + "on the desktop");
        if (before == "n, Active is a file") {
            QDir(modFiles::ActiveFolder()).removeRecursively();
            WriteBytes(modFiles::ActiveFolder(), "x");
        }
        winNoteArchive *archive = Opened();
        QStringList dialogs;
        modDialogs::SetDialogRunner([&](QDialog &dialog) {
            auto &box = static_cast<QMessageBox &>(dialog);
            dialogs << box.windowTitle() + "|" + box.text();
            if (before == "d arrives") {
                Archive({"d.zln"});
                archive->RefreshListView();
            }
            return action == "delete yes" ? QMessageBox::Yes : QMessageBox::No;
        });
        if (before == "a gone")
            QFile::remove(modFiles::ArchiveFolder() + "/a.zln");
        ClickRow(archive, qMax(row, 0), row < 0 ? Qt::ControlModifier : Qt::NoModifier);
        QTest::mouseClick(action == "restore" ? archive->Command1 : archive->Command2, Qt::LeftButton);

        QCOMPARE(Rows(archive), rows);
        QTEST(Selected(archive), "selected");
        QCOMPARE(archive->Command1->isEnabled(), Selected(archive) >= 0);
        QCOMPARE(archive->Command2->isEnabled(), Selected(archive) >= 0);
        // Every row's file is still in the archive, and no other.
        QCOMPARE(QDir(modFiles::ArchiveFolder())
                     .entryList(QDir::Files, QDir::Name | QDir::Reversed)
                     .replaceInStrings(".zln", ""),
                 rows);
        QStringList activeFiles = QDir(modFiles::ActiveFolder()).entryList(QDir::Files);
        std::transform(activeFiles.begin(), activeFiles.end(), activeFiles.begin(), ActiveEntry);
        activeFiles.sort();
        QCOMPARE(activeFiles, active);
        // The restored note is on the desktop, from its file in Active.
        QStringList desktop;
        for (const winNote *note : winNote::AllNotes())
            desktop << ActiveEntry(note->noteFileName);
        active.removeAll("n.zln=on the desktop");
        QCOMPARE(desktop, active);
        const QString expected =
            action.startsWith("delete")
                ? "Zettlor|Are you sure you want to permanently delete the selected archived note?"
            : before.endsWith("file") ? "Zettlor|The note could not be restored to "
                                      : "";
        QCOMPARE(dialogs.size(), expected.isEmpty() ? 0 : 1);
        QCOMPARE(dialogs.value(0).left(expected.size()), expected);
    }

    void watchesFolder_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("selected");
        QTest::newRow("note archived") << "c archived" << QStringList{"c", "b", "a"} << 0;
        QTest::newRow("note archived after one vanished")
            << "a gone, c archived" << QStringList{"c", "b"} << 0;
        QTest::newRow("other files keep the selection") << "other file" << QStringList{"b", "a"} << 1;
        QTest::newRow("Archive folder removed") << "folder removed" << QStringList{} << -1;
    }
    void watchesFolder()
    {
        QFETCH(QString, change);
        TestEnvironment environment;
        Archive({"a.zln", "b.zln"});
        winNoteArchive *archive = Opened();
        ClickRow(archive, 1);
        if (change.startsWith("a gone")) {
            QFile::remove(modFiles::ArchiveFolder() + "/a.zln");
            QTRY_COMPARE(Rows(archive), QStringList{"b"});
        }
        if (change.endsWith("c archived"))
            Archive({"c.zln"});
        if (change == "other file") {
            WriteBytes(modFiles::ArchiveFolder() + "/readme.txt", "no note");
            QTest::qWait(3 * archive->Timer1->interval());
        }
        if (change == "folder removed")
            QDir(modFiles::ArchiveFolder()).removeRecursively();
        QFETCH(QStringList, rows);
        QTRY_COMPARE(Rows(archive), rows);
        QTEST(Selected(archive), "selected");
    }

    void opensOnceWithoutArchiveFolder()
    {
        TestEnvironment environment;
        winNoteArchive *archive = Opened();
        QCOMPARE(Opened(), archive);
        QCOMPARE(Rows(archive), QStringList{});
        QVERIFY(!archive->Command1->isEnabled() && !archive->Command2->isEnabled());
    }

    void dateDeleted_data()
    {
        QTest::addColumn<bool>("oldChangeTime");
        QTest::newRow("archived now") << false;
        // A move that keeps the file's change time (mv) still shows when it came.
        QTest::newRow("moved in with an old change time") << true;
    }
    void dateDeleted()
    {
        QFETCH(bool, oldChangeTime);
        TestEnvironment environment;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Archive({"n.zln"});
        QFile file(modFiles::ArchiveFolder() + "/n.zln");
        if (oldChangeTime) {
            if (!QFileInfo(file).birthTime().isValid())
                QSKIP("this file system keeps no birth times");
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5)),
                                     QFileDevice::FileModificationTime));
            file.close();
        }
        // Short date and long time, without a time zone.
        const QString shown = Rows(Opened(), 1).value(0);
        const QRegularExpression expected(
            "^" + QRegularExpression::escape(QDate::currentDate().toString("dd.MM.yy")) +
            " \\d\\d:\\d\\d:\\d\\d$");
        QVERIFY2(expected.match(shown).hasMatch(), qPrintable(shown));
    }
};

ZETTLOR_TEST_CLASS(NoteArchiveTest)
#include "NoteArchiveTest.moc"

#include "archive/winNoteArchive.h"

#include "core/Logging.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "notes/modMisc.h"
#include "notes/modNoteText.h"
#include "tray/winMenu.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kCheckInterval = 500; // ms
constexpr qsizetype kLongestWholeText = 33;
constexpr qsizetype kShortenedText = 30;

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

QPushButton *NamedButton(QWidget *window, const char *name, const QString &caption, const QRect &geometry)
{
    auto *button = new QPushButton(caption, window);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

// Archived notes by file name, in a fixed order. Other files in the folder
// are no notes and are not counted, so they never force a rebuild.
QStringList ArchivedNoteNames()
{
    const QStringList names = QDir(modFiles::ArchiveFolder()).entryList(QDir::Files, QDir::Name);
    QStringList notes;
    for (const QString &name : names) {
        if (name.endsWith(QLatin1String(".zln"))) // case counts, as for the Active folder
            notes << name;
    }
    return notes;
}

// The note text as the restored note would show it, on one line.
QString RowText(const QString &noteFileText)
{
    QString text = modNoteText::ParseNoteText(noteFileText).text;
    if (text.size() > kLongestWholeText) {
        qsizetype cut = kShortenedText;
        if (text.at(cut - 1).isHighSurrogate()) // never half a character
            --cut;
        text = text.left(cut) + QStringLiteral("...");
    }
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.replace(lineBreak, QStringLiteral(" "));
}

// When the file came into the folder: its birth time where the file system
// keeps one, else its last change, which the archive move sets.
QDateTime ArrivalTime(const QFileInfo &file)
{
    const QDateTime born = file.birthTime();
    return born.isValid() ? born : file.lastModified();
}

// Short date and long time of the user's locale; the time without its zone,
// as the desktop shows file times.
QString DateText(const QDateTime &moment)
{
    static const QRegularExpression zone(QStringLiteral("\\s*[(\\[]?\\bt\\b[)\\]]?"));
    const QLocale locale;
    const QString timeFormat = locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(moment.time(), timeFormat);
}

} // namespace

winNoteArchive::winNoteArchive()
{
    setObjectName(QStringLiteral("winNoteArchive"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Zettlor Note Archive"));
    // Also makes the program's resources available for the row icon.
    setWindowIcon(winMenu::ProgramIcon());
    // Fixed border with a close button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPointSizeF(8.25);
    setFont(windowFont);
    setFixedSize(6615 / kTwipsPerPixel, 5775 / kTwipsPerPixel);
    CreateControls();
    Form_Load();
}

winNoteArchive::~winNoteArchive() = default;

void winNoteArchive::CreateControls()
{
    Shape2 = new QFrame(this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setGeometry(TwipsRect(120, 120, 6375, 5055));
    Shape2->setStyleSheet(
        QStringLiteral("QFrame#Shape2 { background-color: #fafafb; border: 1px solid #a0a0a0; }"));

    ImageList << QIcon(QStringLiteral(":/icons/archived-note.svg"));
    ListView = new QTreeWidget(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setGeometry(TwipsRect(360, 360, 5895, 4575));
    ListView->setHeaderLabels({QStringLiteral("Note"), QStringLiteral("Date Deleted")});
    ListView->setRootIsDecorated(false);
    ListView->setItemsExpandable(false);
    ListView->setUniformRowHeights(true);
    ListView->setIconSize(QSize(16, 16));
    // Single selection: a Ctrl+click on the selected row clears it.
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->header()->setSectionsMovable(false);

    Command1 = NamedButton(this, "Command1", QStringLiteral("Restore Note"), TwipsRect(120, 5280, 1455, 375));
    Command2 = NamedButton(this, "Command2", QStringLiteral("Delete Note"), TwipsRect(1680, 5280, 1455, 375));
    AddButton = NamedButton(this, "AddButton", QStringLiteral("Close"), TwipsRect(5040, 5280, 1455, 375));
    Command1->setEnabled(false);
    Command2->setEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    for (QTimer *timer : {Timer1, Timer2})
        timer->setInterval(kCheckInterval);

    connect(ListView, &QTreeWidget::itemSelectionChanged, this, &winNoteArchive::EnableCommands);
    connect(Command1, &QPushButton::clicked, this, &winNoteArchive::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &winNoteArchive::Command2_Click);
    connect(AddButton, &QPushButton::clicked, this, &QWidget::close);
    connect(Timer1, &QTimer::timeout, this, [this] { CheckAndHandOver(Timer1, Timer2); });
    connect(Timer2, &QTimer::timeout, this, [this] { CheckAndHandOver(Timer2, Timer1); });
}

void winNoteArchive::Form_Load()
{
    RefreshListView();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    Timer1->start();
    show();
}

void winNoteArchive::RefreshListView()
{
    if (ArchivedNoteNames().size() == listedCount)
        return;
    FillArchiveList();
    listedCount = ListView->topLevelItemCount();
}

void winNoteArchive::FillArchiveList()
{
    // The user's choice stays chosen while other rows come and go.
    const int selected = SelectedRow();
    const QString chosen = selected >= 0 ? archivedFiles.at(selected) : QString();
    ListView->clear();
    archivedFiles.clear();
    const QStringList names = ArchivedNoteNames();
    for (const QString &name : names) {
        const QString path = modFiles::ArchiveFolder() + QLatin1Char('/') + name;
        // Each row goes on top, with its path in front: both stay in step. A
        // file that cannot be a note (too large) is listed without its text.
        auto *row = new QTreeWidgetItem({RowText(modMisc::ReadNoteFile(path).value_or(QString())),
                                         DateText(ArrivalTime(QFileInfo(path)))});
        row->setIcon(0, ImageList.at(0));
        ListView->insertTopLevelItem(0, row);
        archivedFiles.prepend(path);
    }
    if (ListView->topLevelItemCount() > 0)
        ListView->setCurrentItem(ListView->topLevelItem(qMax(int(archivedFiles.indexOf(chosen)), 0)));
    SizeArchiveColumns();
    EnableCommands();
}

void winNoteArchive::SizeArchiveColumns()
{
    // The last column takes the rest of the width.
    for (int column = 0; column < ListView->columnCount() - 1; ++column)
        ListView->resizeColumnToContents(column);
}

void winNoteArchive::CheckAndHandOver(QTimer *from, QTimer *to)
{
    RefreshListView();
    from->stop();
    to->start();
}

int winNoteArchive::SelectedRow() const
{
    const QList<QTreeWidgetItem *> selected = ListView->selectedItems();
    return selected.isEmpty() ? -1 : ListView->indexOfTopLevelItem(selected.first());
}

void winNoteArchive::EnableCommands()
{
    const bool selected = SelectedRow() >= 0;
    Command1->setEnabled(selected);
    Command2->setEnabled(selected);
}

void winNoteArchive::RemoveArchivedRow(int row)
{
    delete ListView->takeTopLevelItem(row);
    archivedFiles.removeAt(row);
    if (ListView->topLevelItemCount() > 0)
        ListView->setCurrentItem(ListView->topLevelItem(qMax(row - 1, 0)));
    listedCount = ListView->topLevelItemCount();
    EnableCommands();
}

void winNoteArchive::Command1_Click()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    // Restored, a file that cannot be loaded as a note would vanish from view.
    if (!modMisc::ReadNoteFile(archivedFiles.at(row))) {
        modDialogs::ShowWarning(
            QStringLiteral("This archived note cannot be restored: its file is larger "
                           "than a note can be, or cannot be read. It stays in the archive."));
        return;
    }
    // Active never loses a note to a restore: a name in use gets a new one.
    const QString destination =
        modFiles::FreeNotePath(modFiles::ActiveFolder(), modFiles::FileNameFromPath(archivedFiles.at(row)));
    // MoveFile deletes the archive file only once the copy is complete.
    if (!modFiles::MoveFile(archivedFiles.at(row), destination)) {
        qCWarning(lcNotes) << "note not restored, kept in the archive:" << archivedFiles.at(row);
        modDialogs::ShowWarning(
            QStringLiteral("The note could not be restored to %1. It stays in the archive.")
                .arg(QDir::toNativeSeparators(modFiles::ActiveFolder())));
        return;
    }
    // The row goes before the note is shown, so that no check of the folder
    // meanwhile finds the list out of step.
    RemoveArchivedRow(row);
    modMisc::LoadNote(destination, modFiles::FileNameFromPath(destination), QString());
}

void winNoteArchive::Command2_Click()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    // The list may be rebuilt while the question is open: the answer applies
    // to the file the user chose, wherever its row is by then.
    const QString path = archivedFiles.at(row);
    const auto answer = modDialogs::ShowMessage(
        QStringLiteral("Are you sure you want to permanently delete the selected archived note?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
    if (answer != QMessageBox::Yes)
        return;
    if (!modFiles::DeleteFile(path)) {
        qCWarning(lcNotes) << "archived note not deleted:" << path;
        modDialogs::ShowWarning(QStringLiteral("The archived note could not be deleted."));
        return;
    }
    if (const int shown = archivedFiles.indexOf(path); shown >= 0)
        RemoveArchivedRow(shown);
}

void winNoteArchive::closeEvent(QCloseEvent *event)
{
    Timer1->stop();
    Timer2->stop();
    event->accept();
}

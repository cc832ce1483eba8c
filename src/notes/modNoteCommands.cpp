#include "notes/modNoteCommands.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "editor/modColorDialog.h"
#include "editor/winEditor.h"
#include "messaging/modPlaySound.h"
#include "notes/modMisc.h"
#include "notes/modOnTop.h"
#include "notes/modPinToDesktop.h"
#include "notes/winNote.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextDocument>
#include <cmath>

namespace modNoteCommands {
namespace {

QString printFileForTests;

winNote *FindNote(const QString &noteTag)
{
    bool ok = false;
    const quint64 handle = noteTag.toULongLong(&ok);
    return ok ? modMisc::FindNoteWindow(handle) : nullptr;
}

// Clipboard text breaks lines with LF (Qt gives Windows its CR LF itself).
QString WithLfBreaks(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// The note's look becomes the editor's working copy, bold and italic as the
// note has them (not as the editor's saved defaults would have them); a font
// missing from the list leaves the list as it was.
void FillEditorFromNote(winEditor &editor, const winNote &note)
{
    const QFont noteFont = note.Label2->font();
    const QColor back = note.Label2->palette().color(QPalette::Window);
    const QColor fore = note.Label2->palette().color(QPalette::WindowText);
    editor.Text1->setPlainText(note.Label2->text());
    editor.SetTextBackColor(back);
    editor.SetTextForeColor(fore);
    editor.SetTextBold(noteFont.bold());
    editor.SetTextItalic(noteFont.italic());
    QFont textFont = editor.Text1->font();
    textFont.setFamily(noteFont.family());
    editor.Text1->setFont(textFont);
    const int listed = editor.FontCombo->findText(noteFont.family(), Qt::MatchExactly);
    if (listed >= 0)
        editor.FontCombo->setCurrentIndex(listed);
    const long wholeSize = std::lround(noteFont.pointSizeF());
    if (wholeSize > 0) {
        editor.SetTextFontSize(double(wholeSize));
        editor.FontSizeCombo->setEditText(QString::number(wholeSize));
    }
    modColorDialog::SetSwatchColor(editor.Label2, back);
    modColorDialog::SetSwatchColor(editor.Label3, fore);
}

// One text on as many pages as it needs; the note's own look is not used.
void PrintText(QPrinter &printer, const QString &text)
{
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&printer);
    document.setPlainText(text);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    document.setPageSize(page.size());
    QPainter painter;
    if (!painter.begin(&printer)) {
        qCInfo(lcNotes) << "printer not ready; nothing printed";
        return;
    }
    for (int index = 0; index < document.pageCount(); ++index) {
        if (index > 0)
            printer.newPage();
        const QRectF shown(0, index * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -shown.top());
        document.drawContents(&painter, shown);
        painter.restore();
    }
    painter.end();
}

enum class DeleteChoice { Delete, Archive, Cancel };

DeleteChoice ChooseDeletion()
{
    if (WhenDeletingNotes == QLatin1String("Archive note"))
        return DeleteChoice::Archive;
    if (WhenDeletingNotes != QLatin1String("Prompt to archive or delete note"))
        return DeleteChoice::Delete;
    const auto answer = modDialogs::ShowMessage(
        QStringLiteral("Would you like to archive the deleted note?\r\n\r\n"
                       "Note: Archived notes can be restored from the Zettlor Note Archive."),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::NoIcon);
    if (answer == QMessageBox::Yes)
        return DeleteChoice::Archive;
    if (answer == QMessageBox::No)
        return DeleteChoice::Delete;
    return DeleteChoice::Cancel;
}

// The file is moved before the window closes, so a failed move loses nothing:
// the note stays on screen with its file in Active.
void ArchiveNote(winNote *note)
{
    const QString fileName = note->noteFileName;
    // An archived note of the same name (names repeat when the clock was set
    // back) is kept: this one is archived under a free name.
    const bool archived = !fileName.isEmpty() && note->SavePendingChanges() &&
                          modFiles::MoveFile(modFiles::ActiveFolder() + QLatin1Char('/') + fileName,
                                             modFiles::FreeNotePath(modFiles::ArchiveFolder(), fileName));
    if (!archived) {
        qCWarning(lcNotes) << "note not archived, kept:" << fileName;
        modDialogs::ShowWarning(QStringLiteral("The note could not be archived. It stays on the desktop "
                                               "and its file is kept."));
        return;
    }
    note->close();
}

} // namespace

void EditNote(const QString &noteTag)
{
    const winNote *note = FindNote(noteTag);
    if (!note)
        return;
    // One editor per note: a second opening brings back the first, typed
    // text and all.
    winEditor *editor = winEditor::UpdateEditorFor(modMisc::NoteHandle(note));
    if (!editor) {
        editor = winEditor::NewEditor();
        FillEditorFromNote(*editor, *note);
        editor->Command1->setText(QStringLiteral("Update"));
        editor->tag = note->noteFileName + QLatin1Char('|') + QString::number(modMisc::NoteHandle(note));
    }
    editor->BringToFront();
}

void QuickEditMode(const QString &noteTag)
{
    if (winNote *note = FindNote(noteTag))
        note->EnterQuickEditMode();
}

void SetNoteToTop(const QString &noteTag)
{
    winNote *note = FindNote(noteTag);
    if (!note)
        return;
    if (note->noteIsPinned) {
        modPinToDesktop::UnpinNote(note);
        modOnTop::SetNoteOnTop(note);
    } else {
        modPinToDesktop::PinNoteToDesktop(note);
    }
}

void CopyToClipboard(const QString &noteTag)
{
    const winNote *note = FindNote(noteTag);
    if (!note)
        return;
    QGuiApplication::clipboard()->setText(WithLfBreaks(note->Label2->text()));
    modPlaySound::PlaySoundFile(EventSounds[2]);
}

void PrintNote(const QString &noteTag)
{
    const winNote *note = FindNote(noteTag);
    if (!note)
        return;
    QPrinter printer(QPrinter::HighResolution);
    if (!printFileForTests.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printFileForTests);
    } else if (QPrinterInfo::defaultPrinter().isNull()) {
        // No default printer: the dialog lets the user pick one or a PDF file.
        QPrintDialog dialog(&printer);
        if (modDialogs::ExecDialog(dialog) != QDialog::Accepted)
            return;
    }
    PrintText(printer, note->Label2->text());
}

void RemoveNote(const QString &noteTag)
{
    QPointer<winNote> note = FindNote(noteTag);
    if (!note)
        return;
    const DeleteChoice choice = ChooseDeletion();
    // The prompt runs an event loop; the note may have gone meanwhile.
    if (!note || choice == DeleteChoice::Cancel)
        return;
    if (choice == DeleteChoice::Archive)
        ArchiveNote(note);
    else
        modMisc::DeleteNoteWindow(modMisc::NoteHandle(note));
}

void SetPrintFileForTests(const QString &pdfPath)
{
    printFileForTests = pdfPath;
}

} // namespace modNoteCommands

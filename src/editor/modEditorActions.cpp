#include "editor/modEditorActions.h"

#include "core/Globals.h"
#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "core/modSettings.h"
#include "editor/winEditor.h"
#include "messaging/modPlaySound.h"
#include "messaging/modSend.h"
#include "notes/modMisc.h"
#include "notes/modOnTop.h"
#include "notes/modPinToDesktop.h"
#include "notes/winNote.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>

namespace modEditorActions {
namespace {

constexpr float kTwipsPerPixel = 15;
constexpr float kMinimumWidth = 2550;
constexpr float kMaximumHeight = 9000;

qint32 StoredColour(const QColor &color)
{
    return qint32(quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16);
}

// The text box writes line breaks as CR LF, as note files hold them.
QString EditorText(const winEditor &editor)
{
    QString text = editor.Text1->toPlainText();
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

// Height that shows the label, capped.
float FittingHeight(const winNote &note)
{
    const float needed = (note.Label2->y() + note.Label2->height()) * kTwipsPerPixel + 140;
    return qMin(needed, kMaximumHeight);
}

// A new, unshown note with the editor's text and look, centred on the
// primary screen and as wide as its text needs.
winNote *BuildNoteFromEditor(const winEditor &editor)
{
    auto *note = new winNote;
    NoteRecord record = note->Record();
    record.text = EditorText(editor);
    record.backColour = StoredColour(editor.TextBackColor());
    record.textColour = StoredColour(editor.TextForeColor());
    record.bold = editor.Text1->font().bold();
    record.italic = editor.Text1->font().italic();
    record.fontSize = float(editor.Text1->font().pointSizeF());
    record.fontName = editor.FontCombo->currentText();
    note->ApplyRecord(record);

    const float labelWidth = note->Label2->width() * kTwipsPerPixel;
    const float width = labelWidth + 210 < kMinimumWidth ? kMinimumWidth : labelWidth + 210;
    note->SetSizeTwips(width, note->HeightTwips());
    note->SetSizeTwips(width, FittingHeight(*note));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    note->SetLeftTwips((screen.width() * kTwipsPerPixel - note->WidthTwips()) / 2);
    note->SetTopTwips((screen.height() * kTwipsPerPixel - note->HeightTwips()) / 2);
    return note;
}

void PlaceNewNote(winNote *note)
{
    if (NotesAlwaysOnTop) {
        note->noteIsPinned = false;
        modPinToDesktop::UnpinNote(note);
        modOnTop::SetNoteOnTop(note);
    } else {
        modPinToDesktop::PinNoteToDesktop(note);
    }
}

winNote *NoteWithHandle(quintptr handle)
{
    for (winNote *note : winNote::AllNotes()) {
        if (quintptr(note) == handle)
            return note;
    }
    return nullptr;
}

} // namespace

void CreateNoteFromEditor(winEditor &editor)
{
    winNote *note = BuildNoteFromEditor(editor);
    note->RepositionNoteParts();
    note->CheckNotePosition();
    PlaceNewNote(note);
    note->show();
    const bool keepOpen = editor.modifierHeldOnClick;
    if (keepOpen)
        editor.Text1->clear();
    else
        editor.hide();
    modFiles::CreateDataFolders();
    note->noteFileName = modFiles::NewNoteFileName(modFiles::ActiveFolder());
    note->ResaveNote();
    editor.SaveDefaults();
    if (!keepOpen)
        editor.CloseEditor();
}

void SendNoteFromEditor(winEditor &editor)
{
    winNote *note = BuildNoteFromEditor(editor);
    const QString contents = note->GetNoteContents(true);
    delete note; // only built for its text form: never shown, never saved
    const QString failure = modSend::SendNote(editor.sendToIP, editor.sendToName, contents);
    if (!failure.isEmpty()) {
        // The text stays in the editor so that nothing typed is lost.
        modDialogs::ShowMessage(failure, QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    modPlaySound::PlaySoundFile(EventSounds[0]);
    if (IsExactlyTrue(modSettings::ReadSetting(SettingKeys::DeleteNoteAfterReplying))) {
        if (winNote *answered = NoteWithHandle(editor.noteToDeleteHwnd))
            modMisc::DeleteNoteWindow(answered);
    }
    editor.SaveDefaults();
    editor.CloseEditor();
}

void UpdateNoteFromEditor(winEditor &editor)
{
    const QString handleText = editor.tag.section(QLatin1Char('|'), 1, 1);
    winNote *note = NoteWithHandle(handleText.toULongLong());
    if (note) {
        NoteRecord record = note->Record();
        record.fontName = editor.FontCombo->currentText();
        const float typedSize = editor.FontSizeCombo->currentText().toFloat();
        if (typedSize > 0)
            record.fontSize = typedSize;
        record.backColour = StoredColour(editor.TextBackColor());
        record.textColour = StoredColour(editor.TextForeColor());
        record.bold = editor.Text1->font().bold();
        record.italic = editor.Text1->font().italic();
        // Spaces only: line breaks at either end stay.
        QString text = EditorText(editor);
        while (text.startsWith(QLatin1Char(' ')))
            text.remove(0, 1);
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        record.text = text;
        note->ApplyRecord(record);
        note->SetSizeTwips(note->WidthTwips(), FittingHeight(*note));
        note->RepositionNoteParts();
        note->ResaveNote();
    }
    editor.CloseEditor();
}

QString NoteHandleText(const winNote *note)
{
    return QString::number(quintptr(note));
}

} // namespace modEditorActions

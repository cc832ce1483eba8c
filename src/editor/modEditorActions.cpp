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

// Gives the note's label the editor's look, with the given size and text.
void ApplyEditorLook(winNote *note, const winEditor &editor, double points, const QString &text)
{
    QFont font = note->Label2->font();
    // The text box shows the font the note gets. It follows the font list, but
    // keeps a note's font that the list lacks, so an update does not change it.
    font.setFamily(editor.Text1->font().family());
    if (points > 0)
        font.setPointSizeF(points);
    font.setBold(editor.Text1->font().bold());
    font.setItalic(editor.Text1->font().italic());
    note->Label2->setFont(font);
    note->SetBackColour(StoredColour(editor.TextBackColor()));
    note->SetTextColour(StoredColour(editor.TextForeColor()));
    note->Label2->setText(text);
    note->LayOutLabel();
}

// A new, unshown note with the editor's text and look, centred on the
// primary screen and as wide as its longest line needs.
winNote *BuildNoteFromEditor(const winEditor &editor)
{
    auto *note = new winNote;
    const QString text = EditorText(editor);
    ApplyEditorLook(note, editor, editor.Text1->font().pointSizeF(), text);
    const float textWidth = note->Label2->fontMetrics().size(0, text).width() * kTwipsPerPixel;
    note->SetWidthTwips(qMax(kMinimumWidth, textWidth + winNote::LabelMarginTwips));
    note->LayOutLabel();
    note->SetHeightTwips(FittingHeight(*note));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    note->SetLeftTwips((screen.width() * kTwipsPerPixel - note->WidthTwips()) / 2);
    note->SetTopTwips((screen.height() * kTwipsPerPixel - note->HeightTwips()) / 2);
    return note;
}

} // namespace

void CreateNoteFromEditor(winEditor &editor)
{
    winNote *note = BuildNoteFromEditor(editor);
    note->RepositionNoteParts();
    note->CheckNotePosition();
    modMisc::PlaceByDefault(note);
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
        modDialogs::ShowWarning(failure);
        return;
    }
    modPlaySound::PlaySoundFile(EventSounds[0]);
    if (IsExactlyTrue(modSettings::ReadSetting(SettingKeys::DeleteNoteAfterReplying))) {
        modMisc::DeleteNoteWindow(editor.noteToDeleteHwnd);
    }
    editor.SaveDefaults();
    editor.CloseEditor();
}

void UpdateNoteFromEditor(winEditor &editor)
{
    winNote *note = modMisc::FindNoteWindow(editor.TaggedNoteHandle());
    if (!note) {
        // Nothing to update, but the typed text is not dropped unannounced.
        modDialogs::ShowWarning(QStringLiteral("The note was deleted while it was being edited. Its text "
                                               "stays in the editor until you close it."));
        return;
    }
    // The edit box would otherwise put its own text back over the update.
    note->LeaveQuickEditMode();
    // Spaces only: line breaks at either end stay.
    QString text = EditorText(editor);
    while (text.startsWith(QLatin1Char(' ')))
        text.remove(0, 1);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    // A typed size applies as typed.
    ApplyEditorLook(note, editor, editor.FontSizeCombo->currentText().toDouble(), text);
    note->SetHeightTwips(FittingHeight(*note));
    note->RepositionNoteParts();
    note->ResaveNote();
    editor.CloseEditor();
}

} // namespace modEditorActions

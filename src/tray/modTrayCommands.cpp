#include "tray/modTrayCommands.h"

#include "editor/modEditor.h"

#include "archive/modArchive.h"
#include "messaging/modContacts.h"
#include "options/modOptions.h"
#include "tray/winMenu.h"
#include "web/modWebLinks.h"

#include <QAction>
#include <QApplication>
#include <QWidget>

#include <array>
#include <utility>

namespace modTrayCommands {
namespace {

const QString kHideCaption = QStringLiteral("Hide All Notes");
const QString kShowCaption = QStringLiteral("Show All Notes");

const std::array<std::pair<const char *, TrayAction>, 6> kActionTexts{{
    {"Create Note", TrayAction::CreateNote},
    {"Open Zettlor Contacts", TrayAction::OpenContacts},
    {"Open Zettlor Note Archive", TrayAction::OpenNoteArchive},
    {"Hide/Show Notes", TrayAction::ToggleNotes},
    {"Open Zettlor Options", TrayAction::OpenOptions},
    {"Visit Vantrel", TrayAction::VisitMaker},
}};

// Raises the open window of that class, if there is one.
void FocusWindow(const char *className)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->inherits(className) && window->isVisible()) {
            window->raise();
            window->activateWindow();
            return;
        }
    }
}

QWidgetList NoteWindows()
{
    QWidgetList notes;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->inherits("winNote"))
            notes << window;
    }
    return notes;
}

} // namespace

TrayAction ActionFor(const QString &text)
{
    for (const auto &[actionText, action] : kActionTexts) {
        if (text == QLatin1String(actionText))
            return action;
    }
    return TrayAction::None;
}

void PerformTrayAction(const QString &text)
{
    switch (ActionFor(text)) {
    case TrayAction::CreateNote:
        modEditor::OpenCreateEditor();
        break;
    case TrayAction::OpenContacts:
        OpenContacts();
        FocusWindow("winContacts");
        break;
    case TrayAction::OpenNoteArchive:
        modArchive::OpenNoteArchive();
        FocusWindow("winNoteArchive");
        break;
    case TrayAction::ToggleNotes:
        ToggleAllNotes();
        break;
    case TrayAction::OpenOptions:
        modOptions::OpenOptions();
        FocusWindow("winOptions");
        break;
    case TrayAction::VisitMaker:
        // The maker's page even when a distributor's branding renamed VisitVT.
        modWebLinks::OpenMakerHomePage();
        break;
    case TrayAction::None:
        break;
    }
}

void ToggleAllNotes()
{
    winMenu *menu = winMenu::Instance();
    if (!menu)
        return;
    const QString caption = menu->HideAllNotes->text();
    if (caption == kShowCaption) {
        menu->HideAllNotes->setText(kHideCaption);
        for (QWidget *note : NoteWindows())
            note->show();
    } else if (caption == kHideCaption) {
        menu->HideAllNotes->setText(kShowCaption);
        for (QWidget *note : NoteWindows())
            note->hide();
    }
}

void HideFormAndWait(QWidget *form)
{
    if (!form)
        return;
    form->hide();
    // Bounded: a window that refuses to hide must not hang its caller.
    for (int round = 0; round < 100 && form->isVisible(); ++round)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void OpenContacts()
{
    modContacts::OpenContacts();
}

} // namespace modTrayCommands

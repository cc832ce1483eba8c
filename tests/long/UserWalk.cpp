#include "LongCheck.h"

#include "DesktopActions.h"
#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"

#include "notes/modNoteText.h"

#include <QTest>

namespace {

constexpr int kRuns = 20;
constexpr int kNotes = 10;
const QSize kEditorSize(369, 241);
// The editor's text box and its Update button, from its top-left corner.
const QPoint kEditorText(100, 100);
const QPoint kUpdateButton(244, 220);
const QPoint kMoved(60, 40);
const QString kEditorWords = "Written in the editor";

QStringList Point(QPoint at)
{
    return {"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep", "0.15"};
}

// Quick edit by a double click on the note's text, then typing at its end.
bool TypeInQuickEdit(const PrivateDisplay &display, QPoint note, const QString &typed)
{
    return display.run("xdotool",
                       Point(note + kGrip) + QStringList{"click", "--repeat", "2", "--delay", "80", "1",
                                                         "sleep", "0.3", "type", "--delay", "40", typed});
}

QString TextOnDisk(const QString &active, int index)
{
    return modNoteText::ParseNoteText(QString::fromUtf8(ReadBytes(NoteFile(active, index)))).text;
}

// One walk: what the user does, then whether the files say so. Returns what
// went wrong ("" when nothing did) and the exit status.
QString Walk(const PrivateDisplay &display, int *status)
{
    TestEnvironment environment;
    const QString active = environment.defaultDataFolder() + "/Active";
    for (int i = 0; i < kNotes; ++i)
        WriteBytes(NoteFile(active, i), NoteBytes(NoteText(i), Home(i)));
    ProgramProcess program(ReportingEnvironment(environment, display));
    if (!StartProgram(program, {"--address", "127.0.0.194", "--port", "23904"}) ||
        !WaitForNotes(display, program, kNotes))
        return "notes not shown";
    if (!Drag(display, Home(0) + kGrip, kMoved) || !TypeInQuickEdit(display, Home(1), " and more") ||
        !display.run("xdotool", {"key", "Escape"}))
        return "drag or quick edit failed";

    // The editor opened from the note menu while the note is in quick edit.
    // In quick edit the note fits its text; the strip above the text is still the note.
    const QRect aboveText(Home(2) + QPoint(kNoteSize.width() / 2, 6), QSize(1, 1));
    if (!TypeInQuickEdit(display, Home(2), " typed first") ||
        !UseMenu(display, program, aboveText, {"Down", "Return"}))
        return "note menu failed";
    const QRect editor = WaitForWindow(display, program, [](QRect w) { return w.size() == kEditorSize; });
    if (!editor.isValid())
        return "no editor";
    // "type" takes every word after it, so the click on Update is a run of its own.
    if (!display.run("xdotool",
                     Point(editor.topLeft() + kEditorText) +
                         QStringList{"click", "1", "key", "ctrl+a", "type", "--delay", "40", kEditorWords}) ||
        !display.run("xdotool", Point(editor.topLeft() + kUpdateButton) + QStringList{"click", "1"}) ||
        !ProgramProcess::waitFor([&] { return TextOnDisk(active, 2) == kEditorWords; }, 5000))
        return "editor update not saved";

    const QRect trayIcon =
        WaitForWindow(display, program, [](QRect w) { return w.width() <= 100 && w.height() <= 100; });
    if (!trayIcon.isValid() || !UseMenu(display, program, trayIcon, {"Up", "Return"}))
        return "tray menu failed";
    *status = program.waitForExit();

    QStringList lost;
    for (int i = 0; i < kNotes; ++i) {
        const QPoint at = Home(i) + (i == 0 ? kMoved : QPoint());
        const bool kept = i == 1   ? TextOnDisk(active, 1) == NoteText(1) + " and more"
                          : i == 2 ? TextOnDisk(active, 2) == kEditorWords
                                   : ReadBytes(NoteFile(active, i)) == NoteBytes(NoteText(i), at);
        if (!kept)
            lost << QString("note %1").arg(i);
    }
    return lost.isEmpty() ? QString() : "not on disk: " + lost.join(", ");
}

} // namespace

// A user's walk repeated: ten notes, a drag, a quick edit left with Escape,
// an editor update during a quick edit, and Exit from the tray menu.
class UserWalk final : public QObject
{
    Q_OBJECT

private slots:
    void exitFromTheTrayMenuKeepsEveryEdit()
    {
        PrivateDisplay display(PrivateDisplay::Tray::IceWm);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display with a tray: " + display.problem()));
        int cleanExits = 0, editsKept = 0;
        for (int run = 1; run <= kRuns; ++run) {
            int status = -1;
            const QString problem = Walk(display, &status);
            cleanExits += status == 0;
            editsKept += problem.isEmpty();
            if (!problem.isEmpty() || status != 0)
                qWarning().noquote() << "walk" << run << "exit status" << status << problem;
        }
        ReportFigures(
            QString::asprintf("user walk: exit status 0 in %d of %d runs, all edits on disk in %d of %d runs",
                              cleanExits, kRuns, editsKept, kRuns));
        QCOMPARE(cleanExits, kRuns);
        QCOMPARE(editsKept, kRuns);
    }
};

QObject *NewUserWalk()
{
    return new UserWalk;
}

#include "UserWalk.moc"

#pragma once

#include "ProgramProcess.h"

#include <QPoint>
#include <QProcessEnvironment>
#include <QSize>

class PrivateDisplay;
class QObject;
class TestEnvironment;

// The two parts of the check, run one after the other.
QObject *NewSaveCampaign();
QObject *NewUserWalk();

// What main found out before any thread existed; the checks skip by it.
struct CheckConditions
{
    QString mountProblem;       // why no disk can be mounted ("" when one can)
    bool modeBitsApply = false; // the started programs cannot read a file of mode 0200
};
inline CheckConditions Conditions;

// Prints one line of figures at once and keeps it for the summary.
void ReportFigures(const QString &line);

// The notes the checks lay out: 217 x 192 pixels, a text of two lines with a
// comma, each note its own text, note i resting at Home(i) (five columns, two
// rows, with room to move around). A drag takes hold at kGrip: on the text,
// clear of the resize grip.
inline const QSize kNoteSize(217, 192);
inline const QPoint kGrip(60, 24);
QByteArray NoteBytes(const QString &text, QPoint position);
QString NoteText(int index);
QPoint Home(int index);
QString NoteFile(const QString &activeFolder, int index);

// The program on display as the tests run it, with the end of start-up and
// the balloons that have no icon reported on stderr.
QProcessEnvironment ReportingEnvironment(const TestEnvironment &environment, const PrivateDisplay &display);
// Starts it and waits for the end of its start-up; false when it did not
// start within 10 s.
bool StartProgram(ProgramProcess &program, const QStringList &arguments,
                  const QString &executable = ProgramPath());
// Waits until count note windows show, at most 10 s.
bool WaitForNotes(const PrivateDisplay &display, ProgramProcess &program, int count);

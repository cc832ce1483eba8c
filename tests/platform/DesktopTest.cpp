#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QTest>

namespace {

// A note of 217 x 192 pixels at 192,217.
const QByteArray kNote = "2880,3255,7200,1440,,Verdana,10,12648447,0,Note";

QProcessEnvironment ProgramEnvironment(const TestEnvironment &environment, const PrivateDisplay &display)
{
    QProcessEnvironment variables = environment.processEnvironment();
    display.addTo(variables);
    variables.insert("ZETTLOR_DIALOG_LOG", environment.root() + "/dialogs.log");
    variables.insert("ZETTLOR_WEB_BASE", "http://127.0.0.1:9");
    return variables;
}

// The program's shown windows that are not docked in the tray.
QList<qulonglong> WindowsOutsideTheTray(const PrivateDisplay &display, ProgramProcess &program)
{
    QList<qulonglong> windows = display.windowsOf(program.process().processId()).keys();
    for (const qulonglong icon : display.trayIcons())
        windows.removeAll(icon);
    return windows;
}

} // namespace

class DesktopTest final : public QObject
{
    Q_OBJECT

private slots:
    void noteIsOnEveryWorkspace()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::IceWm);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        WriteBytes(environment.defaultDataFolder() + "/Active/1.zln", kNote);
        ProgramProcess program(ProgramEnvironment(environment, display));
        QVERIFY(program.start({"--address", "127.0.0.35", "--port", "21350"}));
        QList<qulonglong> notes;
        QVERIFY(ProgramProcess::waitFor(
            [&] { return (notes = WindowsOutsideTheTray(display, program)).size() == 1; }));
        const QString note = QString::number(notes.first());
        QString property;
        QVERIFY2(ProgramProcess::waitFor([&] {
                     return display.run("xprop", {"-id", note, "_NET_WM_DESKTOP"}, &property) &&
                            property.contains("= 4294967295");
                 }),
                 qPrintable(property));
        QString workspace;
        QVERIFY(display.run("xdotool", {"set_desktop", "1"}));
        QVERIFY(ProgramProcess::waitFor([&] {
            return display.run("xdotool", {"get_desktop"}, &workspace) && workspace.trimmed() == "1";
        }));
        QCOMPARE(WindowsOutsideTheTray(display, program), notes);
        program.stop();
        QCOMPARE(program.waitForExit(), 0);
    }
};

ZETTLOR_TEST_CLASS(DesktopTest)
#include "DesktopTest.moc"

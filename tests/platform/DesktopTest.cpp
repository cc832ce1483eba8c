#include "PrivateBus.h"
#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QDirIterator>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

QString Output(const QString &program, const QStringList &arguments,
               const QProcessEnvironment &variables = {})
{
    QProcess process;
    if (!variables.isEmpty())
        process.setProcessEnvironment(variables);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.exitCode() == 0 ? QString::fromUtf8(process.readAllStandardOutput()) : "failed";
}

// Runs the build tree's install rules into the test's staging folder, as a
// package build does; the folder.
QString Install(const TestEnvironment &environment)
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert("DESTDIR", environment.root() + "/root");
    return Output(ZETTLOR_CMAKE, {"--install", ZETTLOR_BUILD_DIR, "--prefix", "/usr"}, variables) == "failed"
               ? QString()
               : environment.root() + "/root";
}

// Installs, then starts the installed program until its start-up has finished.
bool StartInstalled(ProgramProcess &program, const TestEnvironment &environment, const QStringList &arguments)
{
    const QString root = Install(environment);
    return !root.isEmpty() && program.startUp(arguments, root + "/usr/bin/zettlor");
}

// One panel holding only the tray, which draws StatusNotifierItems.
const QByteArray kXfcePanel =
    R"(<channel name="xfce4-panel" version="1.0"><property name="configver" type="int" value="2"/>
<property name="panels" type="array"><value type="int" value="1"/><property name="panel-1" type="empty">
<property name="position" type="string" value="p=8;x=640;y=790"/>
<property name="plugin-ids" type="array"><value type="int" value="1"/></property></property></property>
<property name="plugins" type="empty"><property name="plugin-1" type="string" value="systray"/></property>
</channel>)";

// The middle of the yellow note of the program's icon in the screen's bottom
// strip; a null point while nothing there shows it.
QPoint IconInBottomStrip(const PrivateDisplay &display, const QString &shot)
{
    const QImage screen = display.run("import", {"-window", "root", shot}) ? QImage(shot) : QImage();
    QRect found;
    for (int y = screen.height() - 40; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            const QColor colour = screen.pixelColor(x, y);
            if (colour.red() > 240 && colour.green() > 200 && colour.blue() < 190)
                found |= QRect(x, y, 1, 1);
        }
    }
    return found.isValid() ? found.center() : QPoint();
}

} // namespace

class DesktopTest final : public QObject
{
    Q_OBJECT

private slots:
    void installTreeHoldsTheProgramFiles()
    {
        TestEnvironment environment;
        const QString root = Install(environment);
        QVERIFY(!root.isEmpty());
        QStringList files;
        for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString file = it.next().mid(root.size() + 1);
            if (!file.startsWith("usr/share/doc/zettlor/"))
                files << file;
        }
        files.sort();
        QStringList expected{"usr/bin/zettlor",
                             "usr/share/applications/zettlor.desktop",
                             "usr/share/icons/hicolor/scalable/apps/zettlor.svg",
                             "usr/share/man/man1/zettlor.1.gz",
                             "usr/share/metainfo/example.zettlor.Zettlor.metainfo.xml",
                             "usr/share/zettlor/Bell.wav",
                             "usr/share/zettlor/Chime.wav",
                             "usr/share/zettlor/Pop.wav"};
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString icon = QString("usr/share/icons/hicolor/%1x%1/apps/zettlor.png").arg(size);
            expected << icon;
            QCOMPARE(QImage(root + "/" + icon).size(), QSize(size, size));
        }
        expected.sort();
        QCOMPARE(files, expected);

        // The manual page names every option the program's help lists.
        const QString help = Output(root + "/usr/bin/zettlor", {"--help"});
        const QString manual =
            Output("gzip", {"-dc", root + "/usr/share/man/man1/zettlor.1.gz"}).replace("\\-", "-");
        static const QRegularExpression option("(?:^|[ ,])(--?[a-z][a-z-]*)");
        QStringList options;
        for (const QString &line : help.split('\n')) {
            if (line.trimmed().startsWith('-'))
                for (const QRegularExpressionMatch &match : option.globalMatch(line.section("  ", 1, 1)))
                    options << match.captured(1);
        }
        QVERIFY2(options.size() >= 4, qPrintable(help));
        for (const QString &name : options)
            QVERIFY2(manual.contains(QRegularExpression("(?<![\\w-])" + name + "(?![\\w-])")),
                     qPrintable(name));
    }

    // The icon in icewm's tray, and a note that stays on screen on another workspace.
    void installedProgramUnderIcewm()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::IceWm);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        WriteBytes(environment.defaultDataFolder() + "/Active/1.zln",
                   "2880,3255,7200,1440,,Verdana,10,12648447,0,Note");
        ProgramProcess program(ProgramEnvironment(environment, display));
        QVERIFY(StartInstalled(program, environment, {"--address", "127.0.0.35", "--port", "21350"}));
        const auto windows = [&] { return display.windowsOf(program.process().processId()).keys(); };
        QList<qulonglong> notes;
        QVERIFY(ProgramProcess::waitFor([&] {
            notes = windows();
            for (const qulonglong icon : display.trayIcons())
                notes.removeAll(icon);
            return notes.size() == 1 && windows().size() == 2;
        }));
        QString property, workspace;
        QVERIFY2(ProgramProcess::waitFor([&] {
                     return display.run("xprop", {"-id", QString::number(notes.first()), "_NET_WM_DESKTOP"},
                                        &property) &&
                            property.contains("= 4294967295");
                 }),
                 qPrintable(property));
        QVERIFY(display.run("xdotool", {"set_desktop", "1"}));
        QVERIFY(ProgramProcess::waitFor([&] {
            return display.run("xdotool", {"get_desktop"}, &workspace) && workspace.trimmed() == "1";
        }));
        QVERIFY(windows().contains(notes.first()));
        program.stop();
        QCOMPARE(program.waitForExit(), 0);
    }

    // A panel started after the program (the usual race at login) draws its
    // icon as a StatusNotifierItem and passes a click on it.
    void installedProgramOnALateXfcePanel()
    {
        if (QStandardPaths::findExecutable("xfce4-panel").isEmpty())
            QSKIP("xfce4-panel is not installed (ZETTLOR_DESKTOP_TESTS=1 scripts/test installs it)");
        // The panel's settings daemon starts on the bus with this environment.
        TestEnvironment environment;
        WriteBytes(environment.configHome() + "/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml",
                   kXfcePanel);
        PrivateDisplay display(PrivateDisplay::Tray::None);
        PrivateBus bus;
        for (const QString &problem : {display.problem(), bus.problem()}) {
            if (!problem.isEmpty())
                QSKIP(qPrintable("needs a private X display and D-Bus: " + problem));
        }
        QProcessEnvironment variables = ProgramEnvironment(environment, display);
        bus.addTo(variables);
        ProgramProcess program(variables);
        QVERIFY(StartInstalled(program, environment, {"--address", "127.0.0.37", "--port", "21352"}));
        const auto windows = [&] { return display.windowsOf(program.process().processId()); };
        QVERIFY(ProgramProcess::waitFor([&] { return !windows().isEmpty(); })); // the stand-in
        QProcess panel;
        panel.setProcessEnvironment(variables);
        panel.start("xfce4-panel", {"--disable-wm-check"});
        QPoint icon;
        QVERIFY(ProgramProcess::waitFor(
            [&] {
                // The stand-in window sits in that strip too.
                return windows().isEmpty() &&
                       !(icon = IconInBottomStrip(display, environment.root() + "/shot.png")).isNull();
            },
            5000));
        // The single-click action, "Create Note" unless chosen otherwise.
        QVERIFY(display.run("xdotool", {"mousemove", QString::number(icon.x()), QString::number(icon.y()),
                                        "sleep", "0.2", "click", "1"}));
        QVERIFY(ProgramProcess::waitFor([&] {
            return display.run("xdotool", {"search", "--onlyvisible", "--name", "^Zettlor Note Editor$"});
        }));
        EndProcess(panel);
        program.stop();
        QCOMPARE(program.waitForExit(), 0);
    }
};

ZETTLOR_TEST_CLASS(DesktopTest)
#include "DesktopTest.moc"

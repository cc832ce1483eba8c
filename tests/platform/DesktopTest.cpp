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

// A note of 217 x 192 pixels at 192,217.
const QByteArray kNote = "2880,3255,7200,1440,,Verdana,10,12648447,0,Note";

// The program's shown windows that are not docked in the tray.
QList<qulonglong> WindowsOutsideTheTray(const PrivateDisplay &display, ProgramProcess &program)
{
    QList<qulonglong> windows = display.windowsOf(program.process().processId()).keys();
    for (const qulonglong icon : display.trayIcons())
        windows.removeAll(icon);
    return windows;
}

// Runs the build tree's install rules into root, as a package build does.
bool InstallInto(const QString &root)
{
    QProcess install;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert("DESTDIR", root);
    install.setProcessEnvironment(variables);
    install.start(ZETTLOR_CMAKE, {"--install", ZETTLOR_BUILD_DIR, "--prefix", "/usr"});
    return install.waitForFinished(60000) && install.exitStatus() == QProcess::NormalExit &&
           install.exitCode() == 0;
}

// Starts executable and waits until its start-up has finished: a SIGTERM
// before then ends it without the saving exit.
bool StartCompletely(ProgramProcess &program, const QString &executable, const QStringList &arguments)
{
    QProcessEnvironment variables = program.process().processEnvironment();
    variables.insert("QT_LOGGING_RULES", "zettlor.core.info=true");
    program.process().setProcessEnvironment(variables);
    program.process().start(executable, arguments);
    return program.process().waitForStarted(5000) &&
           ProgramProcess::waitFor([&] { return program.errorOutput().contains("started;"); });
}

QString Output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// One panel at the bottom of the screen holding only the tray, which draws
// StatusNotifierItems (and XEmbed icons).
const QByteArray kXfcePanel = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=8;x=640;y=790"/>
      <property name="length" type="uint" value="100"/>
      <property name="size" type="uint" value="28"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)";

// The middle of the yellow note the program's icon shows, as drawn on the
// screen's bottom strip; a null point when nothing there shows it.
QPoint IconInBottomStrip(const PrivateDisplay &display, const QString &shot)
{
    if (!display.run("import", {"-window", "root", shot}))
        return {};
    const QImage screen(shot);
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
        const QString root = environment.root() + "/root";
        QVERIFY(InstallInto(root));
        QStringList files;
        for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString file = it.next().mid(root.size() + 1);
            if (!file.startsWith("usr/share/doc/zettlor/"))
                files << file;
        }
        files.sort();
        const QList<int> sizes{16, 22, 24, 32, 48, 64, 128, 256};
        QStringList expected{"usr/bin/zettlor",
                             "usr/share/applications/zettlor.desktop",
                             "usr/share/icons/hicolor/scalable/apps/zettlor.svg",
                             "usr/share/man/man1/zettlor.1.gz",
                             "usr/share/metainfo/example.zettlor.Zettlor.metainfo.xml",
                             "usr/share/zettlor/Bell.wav",
                             "usr/share/zettlor/Chime.wav",
                             "usr/share/zettlor/Pop.wav"};
        for (const int size : sizes)
            expected << QString("usr/share/icons/hicolor/%1x%1/apps/zettlor.png").arg(size);
        expected.sort();
        QCOMPARE(files, expected);
        for (const int size : sizes) {
            const QImage icon(root + QString("/usr/share/icons/hicolor/%1x%1/apps/zettlor.png").arg(size));
            QCOMPARE(icon.size(), QSize(size, size));
        }
    }

    void manualPageNamesEveryOption()
    {
        TestEnvironment environment;
        const QString root = environment.root() + "/root";
        QVERIFY(InstallInto(root));
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

    void installedProgramShowsItsIcon_data()
    {
        QTest::addColumn<QString>("host");
        QTest::newRow("icewm, XEmbed") << "icewm";
        QTest::newRow("xfce4-panel started later, StatusNotifierItem") << "xfce4-panel";
    }
    void installedProgramShowsItsIcon()
    {
        QFETCH(QString, host);
        if (host == "xfce4-panel" && QStandardPaths::findExecutable("xfce4-panel").isEmpty())
            QSKIP("xfce4-panel is not installed (ZETTLOR_DESKTOP_TESTS=1 scripts/test installs it)");
        // The panel's settings daemon starts on the bus with this environment.
        TestEnvironment environment;
        WriteBytes(environment.configHome() + "/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml",
                   kXfcePanel);
        PrivateDisplay display(host == "icewm" ? PrivateDisplay::Tray::IceWm : PrivateDisplay::Tray::None);
        PrivateBus bus;
        for (const QString &problem : {display.problem(), bus.problem()}) {
            if (!problem.isEmpty())
                QSKIP(qPrintable("needs a private X display and D-Bus: " + problem));
        }
        const QString root = environment.root() + "/root";
        QVERIFY(InstallInto(root));
        QProcessEnvironment variables = ProgramEnvironment(environment, display);
        bus.addTo(variables);
        ProgramProcess program(variables);
        QVERIFY(StartCompletely(program, root + "/usr/bin/zettlor",
                                {"--address", "127.0.0.37", "--port", "21352"}));
        const qint64 pid = program.process().processId();
        if (host == "icewm") {
            QVERIFY(ProgramProcess::waitFor([&] {
                const QList<qulonglong> icons = display.trayIcons();
                return std::any_of(icons.cbegin(), icons.cend(),
                                   [&](qulonglong icon) { return display.windowsOf(pid).contains(icon); });
            }));
        } else {
            // Once the stand-in window shows, the program has settled on having no tray.
            QVERIFY(ProgramProcess::waitFor([&] { return !display.windowsOf(pid).isEmpty(); }));
            QProcess panel;
            panel.setProcessEnvironment(variables);
            panel.start("xfce4-panel", {"--disable-wm-check"});
            QVERIFY(ProgramProcess::waitFor(
                [&] { return !bus.itemOf(pid).isEmpty() && display.windowsOf(pid).isEmpty(); }, 5000));
            QPoint icon;
            QVERIFY(ProgramProcess::waitFor([&] {
                return !(icon = IconInBottomStrip(display, environment.root() + "/shot.png")).isNull();
            }));
            // A click on the icon the panel draws runs the single-click action ("Create Note").
            QVERIFY(display.run("xdotool", {"mousemove", QString::number(icon.x()), QString::number(icon.y()),
                                            "sleep", "0.2", "click", "1"}));
            QVERIFY(ProgramProcess::waitFor([&] {
                return display.run("xdotool", {"search", "--onlyvisible", "--name", "^Zettlor Note Editor$"});
            }));
            panel.terminate();
            panel.waitForFinished(5000);
        }
        program.stop();
        QCOMPARE(program.waitForExit(), 0);
    }

    void noteIsOnEveryWorkspace()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::IceWm);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        WriteBytes(environment.defaultDataFolder() + "/Active/1.zln", kNote);
        ProgramProcess program(ProgramEnvironment(environment, display));
        QVERIFY(StartCompletely(program, ProgramPath(), {"--address", "127.0.0.35", "--port", "21350"}));
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

#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

// The program's standard output, or "failed".
QString Output(const QString &program, const QStringList &arguments,
               const QProcessEnvironment &variables = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(variables);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.exitCode() == 0 ? QString::fromUtf8(process.readAllStandardOutput()) : "failed";
}

// Runs the build tree's install rules into root, as a package build does.
bool Install(const QString &root)
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert("DESTDIR", root);
    return Output(ZETTLOR_CMAKE, {"--install", ZETTLOR_BUILD_DIR, "--prefix", "/usr"}, variables) != "failed";
}

// The program's resident memory in kB, from the kernel's account.
qint64 ResidentKilobytes(qint64 pid)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression resident("VmRSS:\\s+(\\d+) kB");
    return resident.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

// What the display shows, as imagemagick's import takes it.
QImage Screen(const PrivateDisplay &display, const QString &file)
{
    return display.run("import", {"-window", "root", file}) ? QImage(file) : QImage();
}

} // namespace

class DesktopTest final : public QObject
{
    Q_OBJECT

private slots:
    // Exactly the program's files.
    void installTreeHoldsTheProgramFiles()
    {
        TestEnvironment environment;
        const QString root = environment.root();
        QVERIFY(Install(root));
        QStringList files,
            expected = QString("bin/zettlor share/applications/zettlor.desktop "
                               "share/icons/hicolor/scalable/apps/zettlor.svg "
                               "share/man/man1/zettlor.1.gz "
                               "share/metainfo/example.zettlor.Zettlor.metainfo.xml "
                               "share/zettlor/Bell.wav share/zettlor/Chime.wav share/zettlor/Pop.wav")
                           .split(' ');
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
            expected << QString("share/icons/hicolor/%1x%1/apps/zettlor.png").arg(size);
        for (QDirIterator it(root + "/usr", QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();)
            if (const QString file = it.next().mid(root.size() + 5); !file.startsWith("share/doc/zettlor/"))
                files << file;
        files.sort();
        expected.sort();
        QCOMPARE(files, expected);
    }

    // A note stays on screen on another workspace; the icon leaves for the
    // control window in the corner within 5 s of the tray's end and docks again.
    void installedProgramUnderIcewm()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::IceWm);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        WriteBytes(environment.defaultDataFolder() + "/Active/1.zln",
                   "2880,3255,7200,1440,,Verdana,10,12648447,0,Note");
        ProgramProcess program(ProgramEnvironment(environment, display));
        QVERIFY(Install(environment.root()) && program.startUp({"--address", "127.0.0.35", "--port", "21350"},
                                                               environment.root() + "/usr/bin/zettlor"));
        const auto windows = [&] { return display.windowsOf(program.process().processId()); };
        const auto docked = [&] {
            return std::ranges::any_of(display.trayIcons(),
                                       [&](qulonglong icon) { return windows().contains(icon); });
        };
        const auto standIn = [&] {
            const QRect corner(QPoint(1180, 700), PrivateDisplay::kScreen);
            return std::ranges::any_of(windows(), [&](QRect window) { return corner.contains(window); });
        };
        QVERIFY(ProgramProcess::waitFor([&] { return docked() && windows().size() == 2; }));
        const QList<qulonglong> shown = windows().keys(); // the note and the icon
        QString workspace;
        QVERIFY(display.run("xdotool", {"set_desktop", "1"}) && ProgramProcess::waitFor([&] {
                    return display.run("xdotool", {"get_desktop"}, &workspace) && workspace == "1\n";
                }));
        QCOMPARE(windows().keys(), shown);
        display.stopTray();
        QVERIFY(ProgramProcess::waitFor(standIn, 5000));
        QVERIFY(display.startTray());
        QVERIFY(ProgramProcess::waitFor([&] { return docked() && !standIn(); }));
    }

    // Drawn notes give back the memory of their pictures: 160 notes of 600 x 600 pixels (230 MB of pictures)
    // leave the whole program smaller than that. Covered and uncovered again, they are drawn as they were.
    void drawnNotesGiveBackTheirPictures()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::None);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        for (const char *tool : {"import", "xmessage"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(QString(tool) + " is not installed"));
        constexpr int Notes = 160;
        for (int i = 0; i < Notes; ++i)
            WriteBytes(environment.defaultDataFolder() + QString("/Active/%1.zln").arg(i),
                       QString::asprintf("9000,9000,%d,%d,,Verdana,10,%d,0,Note %d", i % 10 * 1000,
                                         i / 10 * 150, 0x00C0FFFF - i * 0x010101, i)
                           .toUtf8());
        QProcessEnvironment variables = ProgramEnvironment(environment, display);
        // The address sanitizer would keep the freed pictures in its quarantine.
        variables.insert("ASAN_OPTIONS", variables.value("ASAN_OPTIONS") + ":quarantine_size_mb=0");
        ProgramProcess program(variables);
        QVERIFY(program.startUp({"--address", "127.0.0.37", "--port", "21370"}));
        const qint64 pid = program.process().processId();
        const qint64 pictures = qint64(Notes) * 600 * 600 * 4 / 1024;
        const auto residentBelow = [&](qint64 limit) {
            const qint64 resident = ResidentKilobytes(pid);
            return resident > 0 && resident < limit;
        };
        // The notes and the control window that stands in for the tray.
        QVERIFY2(ProgramProcess::waitFor(
                     [&] { return residentBelow(pictures) && display.windowsOf(pid).size() == Notes + 1; }),
                 qPrintable(QString("%1 kB resident").arg(ResidentKilobytes(pid))));
        const QString shot = environment.root() + "/screen.png";
        QImage shown = Screen(display, shot);
        QVERIFY(ProgramProcess::waitFor([&] { return std::exchange(shown, Screen(display, shot)) == shown; }));
        const qint64 settled = ResidentKilobytes(pid);

        QProcess cover;
        cover.setProcessEnvironment(display.environment());
        cover.start("xmessage", {"-geometry", "1280x800+0+0", "cover"});
        QVERIFY(ProgramProcess::waitFor(
            [&] { return display.run("xdotool", {"search", "--onlyvisible", "--class", "Xmessage"}); }));
        QVERIFY(Screen(display, shot) != shown);
        EndProcess(cover);
        QVERIFY(ProgramProcess::waitFor([&] { return Screen(display, shot) == shown; }));
        // Drawn again, they give it back again.
        QVERIFY(ProgramProcess::waitFor([&] { return residentBelow(settled + pictures / 8); }));
    }
};

ZETTLOR_TEST_CLASS(DesktopTest)
#include "DesktopTest.moc"

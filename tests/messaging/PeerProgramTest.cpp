#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QDir>
#include <QHostInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QUdpSocket>
#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kLocated = QStringLiteral("located: \"[^\"]*\" \"%1\"");
const QString kNote = QStringLiteral("2880,3255,*,*,,Verdana,12,12648447,0,");

// A real zettlor logging on stderr, offscreen or on a display without a tray. Copies end in
// the reverse order they were made, as each TestEnvironment restores the one before it.
struct Copy
{
    explicit Copy(bool onDisplay = false)
    {
        QProcessEnvironment environment = ProgramEnvironment(folders);
        WriteBytes(folders.configHome() + "/QtProject/qtlogging.ini", "[Rules]\nzettlor.*.info=true\n");
        if (onDisplay) {
            WriteBytes(folders.configHome() + "/Zettlor/Zettlor.conf",
                       "[Options]\nSingleClickAction=Open Zettlor Contacts\n");
            display.emplace(PrivateDisplay::Tray::None);
            environment = display->environment(environment);
        }
        program = std::make_unique<ProgramProcess>(environment);
    }
    bool logged(const QString &pattern, const QString &capture)
    {
        return program->errorOutput().contains(
            QRegularExpression(pattern.arg(QRegularExpression::escape(capture))));
    }
    bool willLog(const QString &pattern, const QStringList &captures)
    {
        return ProgramProcess::waitFor([&] {
            return std::all_of(captures.cbegin(), captures.cend(),
                               [&](const QString &capture) { return logged(pattern, capture); });
        });
    }
    // The window standing in for the tray icon opens the contacts, Add the dialog, Browse the locator.
    bool locate(const QStringList &located)
    {
        const auto xdotool = [this](const QString &window, const QStringList &then,
                                    QString *found = nullptr) {
            return display->run(
                "xdotool", QStringList{"search", "--sync", "--onlyvisible", "--name", window} + then, found);
        };
        const QStringList keys{"key", "--delay", "150"};
        QString both;
        return xdotool("^Zettlor$", {"mousemove", "--window", "%1", "9", "9", "click", "1"}) &&
               xdotool("^Zettlor Contacts$",
                       QStringList{"windowfocus", "--sync", "%1"} + keys + QStringList{"Tab", "space"}) &&
               ProgramProcess::waitFor(
                   [&] { return xdotool("^Zettlor Contacts$", {}, &both) && both.count('\n') == 2; }) &&
               display->run("xdotool", keys + QStringList{"Tab", "Tab", "Tab", "Tab", "space"}) &&
               willLog(kLocated, located);
    }

    TestEnvironment folders;
    std::optional<PrivateDisplay> display;
    std::unique_ptr<ProgramProcess> program;
};

bool Shell(const QString &script)
{
    QProcess shell;
    shell.start("sh", {"-ec", script});
    return shell.waitForFinished(30000) && shell.exitStatus() == QProcess::NormalExit &&
           shell.exitCode() == 0;
}

// This run's network namespaces, and any a crashed run left, go.
const QString kRemoveLan =
    QStringLiteral(R"(for n in $(ip netns list | grep -o '^zettlor-lan-[0-9]*-[^ ]*'); do
    id=${n#zettlor-lan-}; id=${id%%-*}
    if [ $id = $PPID ] || [ ! -d /proc/$id ]; then ip netns del $n; fi
done
)");
// Hosts 1..3 on 10.99.0.0/24, bridged in a hub namespace and routing 255.255.255.255, apart from
// this computer's network. Their names carry the test's process id.
const QString kMakeLan = QStringLiteral(R"(p=zettlor-lan-$PPID
ip netns add $p-hub; ip -n $p-hub link add br0 type bridge; ip -n $p-hub link set br0 up
for h in 1 2 3; do
    ip netns add $p-$h; ip -n $p-hub link add veth$h type veth peer name eth0 netns $p-$h
    ip -n $p-hub link set veth$h master br0 up; ip -n $p-$h addr add 10.99.0.$h/24 dev eth0
    ip -n $p-$h link set eth0 up; ip -n $p-$h link set lo up; ip -n $p-$h route add default dev eth0
done)");

// What runs the program on host 1, 2 or 3.
QStringList OnHost(int host)
{
    return {"netns", "exec", QString("zettlor-lan-%1-%2").arg(::getpid()).arg(host), ProgramPath()};
}

} // namespace

class PeerProgramTest final : public QObject
{
    Q_OBJECT

private slots:
    // A third party sends A a note in B's name, in Windows-1252 as older copies do. At start A took
    // in what a local user dropped into Incoming. A copy started on A's address ends.
    void notesAndReceiptsPassBetweenCopies()
    {
        const QString host = QHostInfo::localHostName();
        Copy b, a;
        const QString incoming = a.folders.defaultDataFolder() + "/Incoming";
        WriteBytes(incoming + "/1.zln", ("anna (Local User)" + kNote + "Hi").toUtf8());
        QVERIFY(b.program->startUp({"--address", "127.0.0.3", "--port", "21900"}));
        QVERIFY(a.program->startUp({"--address", "127.0.0.2", "--port", "21900"}));
        QUdpSocket().writeDatagram(("+" + host + " (127.0.0.3)" + kNote + "Grüße").toLatin1(),
                                   QHostAddress("127.0.0.2"), 21900);
        QVERIFY(b.willLog("alert balloon: \"%1\"", {host + " (127.0.0.2) has received your message"}));
        const QString active = a.folders.defaultDataFolder() + "/Active/";
        QStringList endings;
        for (const QString &name : QDir(active).entryList(QDir::Files))
            endings << QString::fromUtf8(ReadBytes(active + name)).section(',', 9);
        endings.sort();
        QCOMPARE(endings, (QStringList{"Grüße[FROM=127.0.0.3|" + host + "]", "Hi[FROM=Local User|anna]"}));
        QVERIFY(!QFile::exists(incoming + "/1.zln"));
        struct stat folder;
        QVERIFY(::stat(QFile::encodeName(incoming).constData(), &folder) == 0);
        QCOMPARE(folder.st_mode & 07777, mode_t(03733));

        Copy late;
        QVERIFY(late.program->start({"--address", "127.0.0.2", "--port", "21900"}));
        QCOMPARE(late.program->waitForExit(), 1);
        QVERIFY(ReadBytes(late.folders.root() + "/dialogs.log").contains("Port 21900 is currently in use"));
    }

    // A's locator broadcasts on the real port: B and C answer, A itself does not.
    void copiesOnASimulatedNetworkFindEachOther()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable("ip").isEmpty())
            QSKIP("needs root and iproute2 to make network namespaces");
        const auto removeLan = qScopeGuard([] { Shell(kRemoveLan); });
        if (!Shell(kRemoveLan + kMakeLan))
            QSKIP("network namespaces could not be made here");
        Copy b, c, a(true);
        if (!a.display->problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + a.display->problem()));
        QVERIFY(b.program->startUp(OnHost(2), "ip") && c.program->startUp(OnHost(3), "ip") &&
                a.program->startUp(OnHost(1), "ip"));
        QVERIFY2(a.locate({"10.99.0.2", "10.99.0.3"}), qPrintable(a.program->errorOutput()));
        QVERIFY(!a.logged(kLocated, "10.99.0.1"));
    }
};

ZETTLOR_TEST_CLASS(PeerProgramTest)
#include "PeerProgramTest.moc"

#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QDir>
#include <QHostInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <memory>
#include <optional>

#include <unistd.h>

namespace {

constexpr quint16 kPort = 21850;

// A real zettlor with its own folders, recording what it does on stderr.
// The copy the test drives has an X display with a tray; the others answer
// offscreen. Each TestEnvironment restores the one before it, so copies end
// in the reverse order they were made.
struct Copy
{
    explicit Copy(const QByteArray &settings = {}, bool driven = false)
    {
        WriteBytes(folders.configHome() + "/Zettlor/Zettlor.conf", settings);
        QProcessEnvironment environment = folders.processEnvironment();
        environment.insert("QT_LOGGING_RULES", "zettlor.*.info=true");
        environment.insert("ZETTLOR_DIALOG_LOG", folders.root() + "/dialogs.log");
        environment.insert("ZETTLOR_WEB_BASE", "http://127.0.0.1:9");
        if (driven) {
            display.emplace(PrivateDisplay::Tray::IceWm);
            display->addTo(environment);
        }
        program = std::make_unique<ProgramProcess>(environment);
    }
    // Inside the network namespace netns when one is named.
    bool start(const QStringList &arguments, const QString &netns = {})
    {
        if (netns.isEmpty())
            program->start(arguments);
        else
            program->process().start("ip", QStringList{"netns", "exec", netns, ProgramPath()} + arguments);
        return program->process().waitForStarted(5000) &&
               ProgramProcess::waitFor([this] { return program->errorOutput().contains("started;"); });
    }
    // The first captures of pattern in what it logged, in order.
    QStringList logged(const QString &pattern)
    {
        QStringList found;
        for (const auto &match : QRegularExpression(pattern).globalMatch(program->errorOutput()))
            found << match.captured(1);
        return found;
    }
    bool hasLogged(const QString &pattern, const QString &capture)
    {
        return ProgramProcess::waitFor([&] { return logged(pattern).contains(capture); });
    }
    int windowsNamed(const QString &title) const
    {
        QString ids;
        display->run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}, &ids);
        return ids.count('\n');
    }
    // A click on the tray icon opens the contacts window, which gets the keys.
    bool openContacts()
    {
        const qint64 pid = program->process().processId();
        QRect icon;
        ProgramProcess::waitFor([&] {
            const QMap<qulonglong, QRect> shown = display->windowsOf(pid);
            for (const qulonglong id : display->trayIcons())
                icon = shown.value(id, icon);
            return icon.isValid();
        });
        QString id;
        return icon.isValid() &&
               display->run("xdotool", {"mousemove", QString::number(icon.center().x()),
                                        QString::number(icon.center().y()), "click", "1"}) &&
               display->run("xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Zettlor Contacts$"},
                            &id) &&
               display->run("xdotool", {"windowactivate", "--sync", id.trimmed()});
    }
    bool keys(const QStringList &names) const
    {
        return display->run("xdotool", QStringList{"key", "--delay", "150"} + names);
    }
    QString storedContacts() const
    {
        return QSettings(folders.configHome() + "/Zettlor/Zettlor.conf", QSettings::IniFormat)
            .value("Settings/Contacts")
            .toString();
    }

    TestEnvironment folders;
    std::optional<PrivateDisplay> display;
    std::unique_ptr<ProgramProcess> program;
};

const QString kOnline = QStringLiteral("contact online: \"([^\"]*)\"");
const QString kLocated = QStringLiteral("located: \"[^\"]*\" \"([^\"]*)\"");
const QString kPinged = QStringLiteral("sent to \"([^\"]*)\" \"[^\"]* ping\"");

QByteArray Settings(const QString &contacts)
{
    return "[Options]\nSingleClickAction=Open Zettlor Contacts\n[Settings]\nContacts=" + contacts.toUtf8() +
           "\n";
}

bool Ip(const QStringList &arguments)
{
    QProcess ip;
    ip.start("ip", arguments);
    return ip.waitForFinished(10000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
}

// Namespaces a, b and c on 10.99.0.1..3/24, each with a default route so
// that 255.255.255.255 is routable, joined by a bridge in a hub namespace.
// Nothing joins them to this computer's network. Their names carry the
// test's process id, so a run removes what a crashed run left behind.
class SimulatedLan final
{
    Q_DISABLE_COPY_MOVE(SimulatedLan)

public:
    static QString Prefix(qint64 pid) { return QString("zettlor-lan-%1-").arg(pid); }

    SimulatedLan()
    {
        RemoveLeftovers();
        const QString hub = Prefix(::getpid()) + "hub";
        bool made = Ip({"netns", "add", hub}) && Ip({"-n", hub, "link", "add", "br0", "type", "bridge"}) &&
                    Ip({"-n", hub, "link", "set", "br0", "up"});
        for (int host = 1; made && host <= 3; ++host) {
            const QString name = Namespace(host), hubEnd = "veth" + QString::number(host);
            made = Ip({"netns", "add", name}) &&
                   Ip({"-n", hub, "link", "add", hubEnd, "type", "veth", "peer", "name", "eth0", "netns",
                       name}) &&
                   Ip({"-n", hub, "link", "set", hubEnd, "master", "br0", "up"}) &&
                   Ip({"-n", name, "addr", "add", Address(host) + "/24", "dev", "eth0"}) &&
                   Ip({"-n", name, "link", "set", "eth0", "up"}) &&
                   Ip({"-n", name, "link", "set", "lo", "up"}) &&
                   Ip({"-n", name, "route", "add", "default", "dev", "eth0"});
        }
        if (!made)
            problem = "network namespaces could not be made (needs root and iproute2)";
    }
    ~SimulatedLan() { RemoveLeftovers(); }

    static QString Namespace(int host) { return Prefix(::getpid()) + QString(QChar('a' + host - 1)); }
    static QString Address(int host) { return "10.99.0." + QString::number(host); }
    // Ours, and those of runs that are no more.
    static void RemoveLeftovers()
    {
        QProcess list;
        list.start("ip", {"netns", "list"});
        list.waitForFinished(10000);
        static const QRegularExpression ours("^zettlor-lan-(\\d+)-\\S+", QRegularExpression::MultilineOption);
        for (const auto &match : ours.globalMatch(QString::fromLocal8Bit(list.readAllStandardOutput()))) {
            const qint64 pid = match.captured(1).toLongLong();
            if (pid == ::getpid() || !QDir("/proc/" + match.captured(1)).exists())
                Ip({"netns", "del", match.captured(0)});
        }
    }

    QString problem;
};

} // namespace

class ContactsProgramTest final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SimulatedLan::RemoveLeftovers(); }

    // A pings its contacts: the running ones turn online. Its locator,
    // searching at B's address, lists B; picking B fills the dialog that
    // edits the contact that did not answer.
    void loopbackCopiesFindEachOther()
    {
        const QString host = QHostInfo::localHostName();
        Copy b, c;
        Copy a(Settings("127.0.0.3(B)|127.0.0.4(C)|127.0.0.9(Gone)|junk"), true);
        if (!a.display->problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + a.display->problem()));
        const QStringList port{"--port", QString::number(kPort)};
        QVERIFY(b.start(QStringList{"--address", "127.0.0.3"} + port));
        QVERIFY(c.start(QStringList{"--address", "127.0.0.4"} + port));
        QVERIFY2(a.start(QStringList{"--address", "127.0.0.2", "--broadcast", "127.0.0.3"} + port),
                 qPrintable(a.program->errorOutput()));

        QVERIFY(a.openContacts());
        QVERIFY(a.hasLogged(kOnline, "127.0.0.3") && a.hasLogged(kOnline, "127.0.0.4"));
        QCOMPARE(a.logged(kPinged), (QStringList{"127.0.0.3", "127.0.0.4", "127.0.0.9"}));
        QCOMPARE(a.logged(kOnline).size(), 2);

        // Rows B, C, Gone: Edit on Gone, then Browse... in the dialog.
        QVERIFY(a.keys({"Down", "Down", "Tab", "Tab", "space"}));
        QVERIFY(ProgramProcess::waitFor([&] { return a.windowsNamed("Zettlor Contacts") == 2; }));
        QVERIFY(a.keys({"Tab", "Tab", "Tab", "Tab", "space"}));
        QVERIFY(a.hasLogged(kLocated, "127.0.0.3"));
        QVERIFY(a.keys({"Return"}));
        QVERIFY(ProgramProcess::waitFor([&] { return a.windowsNamed("Zettlor Locator") == 0; }));
        QVERIFY(a.keys({"shift+Tab", "shift+Tab", "space"}));
        QVERIFY(ProgramProcess::waitFor(
            [&] { return a.storedContacts() != "127.0.0.3(B)|127.0.0.4(C)|127.0.0.9(Gone)|junk"; }));
        QCOMPARE(a.storedContacts(), "127.0.0.3(B)|127.0.0.4(C)|127.0.0.3(" + host + ")");
        QCOMPARE(a.logged(kLocated), QStringList{"127.0.0.3"});
    }

    // The real broadcast of A's locator reaches B and C, each in a namespace
    // of its own on port 1978, and not A itself.
    void copiesOnASimulatedNetworkFindEachOther()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable("ip").isEmpty())
            QSKIP("needs root and iproute2 to make network namespaces");
        SimulatedLan lan;
        if (!lan.problem.isEmpty())
            QSKIP(qPrintable(lan.problem));
        Copy b, c;
        Copy a(Settings("10.99.0.2(B)|10.99.0.3(C)"), true);
        if (!a.display->problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + a.display->problem()));
        QVERIFY(b.start({}, SimulatedLan::Namespace(2)));
        QVERIFY(c.start({}, SimulatedLan::Namespace(3)));
        QVERIFY2(a.start({}, SimulatedLan::Namespace(1)), qPrintable(a.program->errorOutput()));

        QVERIFY(a.openContacts());
        QVERIFY(a.hasLogged(kOnline, "10.99.0.2") && a.hasLogged(kOnline, "10.99.0.3"));
        QVERIFY(a.keys({"Tab", "space"}));
        QVERIFY(ProgramProcess::waitFor([&] { return a.windowsNamed("Zettlor Contacts") == 2; }));
        QVERIFY(a.keys({"Tab", "Tab", "Tab", "Tab", "space"}));
        QVERIFY(a.hasLogged(kLocated, "10.99.0.2") && a.hasLogged(kLocated, "10.99.0.3"));
        QVERIFY(a.program->errorOutput().contains("sent to \"255.255.255.255\" \"!"));
        QVERIFY(!a.logged(kLocated).contains("10.99.0.1"));
        QVERIFY(a.keys({"Escape", "Escape"}));
    }
};

ZETTLOR_TEST_CLASS(ContactsProgramTest)
#include "ContactsProgramTest.moc"

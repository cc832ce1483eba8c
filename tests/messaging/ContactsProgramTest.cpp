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

const QString kOnline = QStringLiteral("contact online: \"([^\"]*)\"");
const QString kLocated = QStringLiteral("located: \"[^\"]*\" \"([^\"]*)\"");
const QString kPinged = QStringLiteral("sent to \"([^\"]*)\" \"[^\"]* ping\"");

// A real zettlor with its own folders, logging what it does on stderr. The
// copy the test drives (A) has an X display with a tray and the contacts
// given; the others answer offscreen. Copies end in the reverse order they
// were made, as each TestEnvironment restores the one before it.
struct Copy
{
    explicit Copy(const QString &contacts = {})
    {
        QProcessEnvironment environment = folders.processEnvironment();
        environment.insert("QT_LOGGING_RULES", "zettlor.*.info=true");
        environment.insert("ZETTLOR_DIALOG_LOG", folders.root() + "/dialogs.log");
        environment.insert("ZETTLOR_WEB_BASE", "http://127.0.0.1:9");
        if (!contacts.isEmpty()) {
            WriteBytes(folders.configHome() + "/Zettlor/Zettlor.conf",
                       "[Options]\nSingleClickAction=Open Zettlor Contacts\n[Settings]\nContacts=" +
                           contacts.toUtf8());
            display.emplace(PrivateDisplay::Tray::IceWm);
            display->addTo(environment);
        }
        program = std::make_unique<ProgramProcess>(environment);
    }
    // Inside the network namespace netns when one is named.
    bool start(const QStringList &arguments, const QString &netns = {})
    {
        const QStringList inNamespace{"netns", "exec", netns, ProgramPath()};
        program->process().start(netns.isEmpty() ? ProgramPath() : "ip",
                                 netns.isEmpty() ? arguments : inNamespace + arguments);
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
    bool willLog(const QString &pattern, const QStringList &captures)
    {
        return ProgramProcess::waitFor([&] {
            const QStringList found = logged(pattern);
            return std::all_of(captures.cbegin(), captures.cend(),
                               [&](const QString &capture) { return found.contains(capture); });
        });
    }
    bool willShow(const QString &title, int count)
    {
        return ProgramProcess::waitFor([&] {
            QString ids;
            display->run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}, &ids);
            return ids.count('\n') == count;
        });
    }
    bool keys(const QStringList &names)
    {
        return display->run("xdotool", QStringList{"key", "--delay", "150"} + names);
    }
    // A click on the tray icon opens the contacts window; the stored contacts
    // that answer turn online. Then the last row is edited with what the
    // locator found first.
    bool pickForLastContact(const QStringList &online, const QStringList &located)
    {
        QRect icon;
        ProgramProcess::waitFor([&] {
            const QMap<qulonglong, QRect> shown = display->windowsOf(program->process().processId());
            for (const qulonglong id : display->trayIcons())
                icon = shown.value(id, icon);
            return icon.isValid();
        });
        const QString x = QString::number(icon.center().x()), y = QString::number(icon.center().y());
        QString contacts;
        return display->run("xdotool", {"mousemove", x, y, "click", "1"}) &&
               display->run("xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Zettlor Contacts$"},
                            &contacts) &&
               display->run("xdotool", {"windowactivate", "--sync", contacts.trimmed()}) &&
               willLog(kOnline, online) && keys({"End", "Tab", "Tab", "space"}) &&
               willShow("Zettlor Contacts", 2) && keys({"Tab", "Tab", "Tab", "Tab", "space"}) &&
               willLog(kLocated, located) && keys({"Return"}) && willShow("Zettlor Locator", 0) &&
               keys({"shift+Tab", "shift+Tab", "space"}) && willShow("Zettlor Contacts", 1);
    }
    QString storedContacts() const
    {
        const QSettings stored(folders.configHome() + "/Zettlor/Zettlor.conf", QSettings::IniFormat);
        return stored.value("Settings/Contacts").toString();
    }

    TestEnvironment folders;
    std::optional<PrivateDisplay> display;
    std::unique_ptr<ProgramProcess> program;
};

bool Ip(const QStringList &arguments)
{
    QProcess ip;
    ip.start("ip", arguments);
    return ip.waitForFinished(10000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
}

// Namespaces 1, 2 and 3 on 10.99.0.1..3/24, joined by a bridge in a hub
// namespace, each with a default route so that 255.255.255.255 is routable.
// Nothing joins them to this computer's network. Their names carry the
// test's process id; they go with this guard, with cleanup(), or with the
// next run when a crashed run left them.
struct SimulatedLan
{
    Q_DISABLE_COPY_MOVE(SimulatedLan)

    static QString Namespace(const QString &host)
    {
        return QString("zettlor-lan-%1-").arg(::getpid()) + host;
    }

    SimulatedLan()
    {
        RemoveLeftovers();
        const QString hub = Namespace("hub");
        made = Ip({"netns", "add", hub}) && Ip({"-n", hub, "link", "add", "br0", "type", "bridge"}) &&
               Ip({"-n", hub, "link", "set", "br0", "up"});
        for (const QString host : {"1", "2", "3"}) {
            const QString name = Namespace(host), hubEnd = "veth" + host;
            made = made && Ip({"netns", "add", name}) &&
                   Ip({"-n", hub, "link", "add", hubEnd, "type", "veth", "peer", "name", "eth0", "netns",
                       name}) &&
                   Ip({"-n", hub, "link", "set", hubEnd, "master", "br0", "up"}) &&
                   Ip({"-n", name, "addr", "add", "10.99.0." + host + "/24", "dev", "eth0"}) &&
                   Ip({"-n", name, "link", "set", "eth0", "up"}) &&
                   Ip({"-n", name, "link", "set", "lo", "up"}) &&
                   Ip({"-n", name, "route", "add", "default", "dev", "eth0"});
        }
    }
    ~SimulatedLan() { RemoveLeftovers(); }

    // Ours, and those of runs that are no more.
    static void RemoveLeftovers()
    {
        QProcess list;
        list.start("ip", {"netns", "list"});
        list.waitForFinished(10000);
        static const QRegularExpression ours("^zettlor-lan-(\\d+)-\\S+", QRegularExpression::MultilineOption);
        for (const auto &match : ours.globalMatch(QString::fromLocal8Bit(list.readAllStandardOutput())))
            if (match.captured(1).toLongLong() == ::getpid() || !QDir("/proc/" + match.captured(1)).exists())
                Ip({"netns", "del", match.captured(0)});
    }

    bool made = false;
};

} // namespace

class ContactsProgramTest final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SimulatedLan::RemoveLeftovers(); }

    // On loopback the locator searches at B's address: a copy bound to one
    // address never receives a broadcast.
    void loopbackCopiesFindEachOther()
    {
        Copy b, c;
        Copy a("127.0.0.3(B)|127.0.0.4(C)|junk|127.0.0.9(Gone)");
        if (!a.display->problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + a.display->problem()));
        const QStringList port{"--port", "21850"};
        QVERIFY(b.start(QStringList{"--address", "127.0.0.3"} + port));
        QVERIFY(c.start(QStringList{"--address", "127.0.0.4"} + port));
        QVERIFY(a.start(QStringList{"--address", "127.0.0.2", "--broadcast", "127.0.0.3"} + port));
        QVERIFY2(a.pickForLastContact({"127.0.0.3", "127.0.0.4"}, {"127.0.0.3"}),
                 qPrintable(a.program->errorOutput()));
        QCOMPARE(a.logged(kPinged).mid(0, 3), (QStringList{"127.0.0.3", "127.0.0.4", "127.0.0.9"}));
        QVERIFY(!a.logged(kOnline).contains("127.0.0.9"));
        QTRY_COMPARE(a.storedContacts(),
                     "127.0.0.3(B)|127.0.0.4(C)|127.0.0.3(" + QHostInfo::localHostName() + ")");
    }

    // One copy per namespace on the real port: A's broadcast to
    // 255.255.255.255 reaches B and C, and A does not answer itself.
    void copiesOnASimulatedNetworkFindEachOther()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable("ip").isEmpty())
            QSKIP("needs root and iproute2 to make network namespaces");
        SimulatedLan lan;
        if (!lan.made)
            QSKIP("network namespaces could not be made here");
        Copy b, c;
        Copy a("10.99.0.2(B)|10.99.0.3(C)|10.99.0.9(Gone)");
        if (!a.display->problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + a.display->problem()));
        QVERIFY(b.start({}, SimulatedLan::Namespace("2")));
        QVERIFY(c.start({}, SimulatedLan::Namespace("3")));
        QVERIFY(a.start({}, SimulatedLan::Namespace("1")));
        QVERIFY2(a.pickForLastContact({"10.99.0.2", "10.99.0.3"}, {"10.99.0.2", "10.99.0.3"}),
                 qPrintable(a.program->errorOutput()));
        QVERIFY(a.program->errorOutput().contains("sent to \"255.255.255.255\" \"!"));
        QVERIFY(!a.logged(kLocated).contains("10.99.0.1"));
        QTRY_VERIFY(a.storedContacts().contains(
            QRegularExpression("^10.99.0.2\\(B\\)\\|10.99.0.3\\(C\\)\\|10.99.0.[23]\\(")));
    }
};

ZETTLOR_TEST_CLASS(ContactsProgramTest)
#include "ContactsProgramTest.moc"

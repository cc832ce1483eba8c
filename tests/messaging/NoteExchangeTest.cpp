#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QDir>
#include <QHostInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QUdpSocket>
#include <algorithm>
#include <memory>

#include <sys/stat.h>

namespace {

constexpr quint16 kPort = 21900;
const QString kNote = QStringLiteral("2880,3255,*,*,,Verdana,12,12648447,0,");
const QSize kNoteSize(217, 192); // kNote's 3255 x 2880 twips
const QSize kEditorSize(369, 241);

// A real zettlor on its own X display with icewm, recording what it does on
// stderr. One folder tree per copy.
struct Copy
{
    explicit Copy(const QByteArray &settings = {}) : display(PrivateDisplay::Tray::IceWm)
    {
        if (!settings.isEmpty())
            WriteBytes(folders.configHome() + "/Zettlor/Zettlor.conf", settings);
        environment = folders.processEnvironment();
        environment.insert("QT_LOGGING_RULES", "zettlor.*.info=true");
        environment.insert("ZETTLOR_DIALOG_LOG", folders.root() + "/dialogs.log");
        environment.insert("ZETTLOR_WEB_BASE", "http://127.0.0.1:9");
        display.addTo(environment);
    }
    bool start(const QString &address)
    {
        program = std::make_unique<ProgramProcess>(environment);
        return program->start({"--address", address, "--port", QString::number(kPort)}) &&
               ProgramProcess::waitFor([this] { return program->errorOutput().contains("started;"); });
    }
    QString active() const { return dataFolder() + "/Active/"; }
    QString dataFolder() const { return QString(environment.value("XDG_DATA_HOME")) + "/Zettlor"; }
    // The contents of the note files in Active.
    QStringList notes() const
    {
        QStringList contents;
        for (const QString &name : QDir(active()).entryList(QDir::Files))
            contents << QString::fromUtf8(ReadBytes(active() + name));
        return contents;
    }
    // The first shown window of the program that fits, within 10 s.
    std::pair<qulonglong, QRect> window(const std::function<bool(QRect)> &fits)
    {
        std::pair<qulonglong, QRect> found;
        ProgramProcess::waitFor([&] {
            const QMap<qulonglong, QRect> shown = display.windowsOf(program->process().processId());
            for (auto it = shown.cbegin(); it != shown.cend(); ++it)
                if (fits(it.value()))
                    found = {it.key(), it.value()};
            return found.first != 0;
        });
        return found;
    }
    // "Reply to Sender..." in the menu of the note at note, then text typed
    // into the editor and sent with Ctrl+Enter; true once the editor is gone.
    bool reply(QRect note, const QString &text)
    {
        const QString x = QString::number(note.center().x()), y = QString::number(note.center().y());
        if (!display.run("xdotool",
                         {"mousemove", x,         y,           "sleep", "0.2",  "click", "3",
                          "sleep",     "0.4",     "mousemove", "3",     "3",    "sleep", "0.2",
                          "key",       "--delay", "80",        "Down",  "Down", "Down",  "Return"}))
            return false;
        const auto editor = window([](QRect w) { return w.size() == kEditorSize; });
        // "type" takes every word after it as text: the keys go in their own run.
        return editor.first != 0 &&
               display.run("xdotool", {"windowactivate", "--sync", QString::number(editor.first), "sleep",
                                       "0.2", "type", "--delay", "20", text}) &&
               display.run("xdotool", {"key", "ctrl+Return"}) && ProgramProcess::waitFor([&] {
                   return !display.windowsOf(program->process().processId()).contains(editor.first);
               });
    }

    TestEnvironment folders;
    PrivateDisplay display;
    QProcessEnvironment environment;
    std::unique_ptr<ProgramProcess> program;
};

// A received note: centred on the 1280 x 800 screen, smaller than the editor.
bool IsCentredNote(QRect window)
{
    const QPoint offset = window.center() - QPoint(640, 400);
    return qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2 && window.width() < kEditorSize.width();
}

// Where a note of that size in twips lies when centred on the 1280 x 800 screen.
bool IsCentred(const QString &note)
{
    const QStringList fields = note.split(',');
    const auto near = [](double value, double wanted) { return qAbs(value - wanted) <= 15; };
    return fields.size() >= 10 && near(fields[2].toDouble(), (19200 - fields[1].toDouble()) / 2) &&
           near(fields[3].toDouble(), (12000 - fields[0].toDouble()) / 2);
}

QString Trailer(const QString &address, const QString &name)
{
    return "[FROM=" + address + "|" + name + "]";
}

} // namespace

class NoteExchangeTest final : public QObject
{
    Q_OBJECT

private slots:
    // A on 127.0.0.2 answers a note "from B" with its editor; B shows it,
    // acknowledges it and keeps A as a contact ("false" is not "False"), then
    // answers from its own note menu and keeps the note ("true" is not
    // "True"). A third party sends B a second note in A's name.
    void twoCopiesAnswerEachOther()
    {
        const QString host = QHostInfo::localHostName();
        Copy a;
        Copy b("[Options]\nAddSenderToContacts=false\nDeleteNoteAfterReplying=true\n");
        if (!a.display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + a.display.problem()));
        QVERIFY2(a.start("127.0.0.2"), qPrintable(a.program->errorOutput()));
        QVERIFY2(b.start("127.0.0.3"), qPrintable(b.program->errorOutput()));
        QUdpSocket third;
        const auto sendAs = [&](const QString &address, const QString &text, const QString &to) {
            third.writeDatagram(("+" + host + " (" + address + ")" + kNote + text).toUtf8(), QHostAddress(to),
                                kPort);
        };

        sendAs("127.0.0.3", "Question", "127.0.0.2");
        const QRect question = a.window([](QRect w) { return w.size() == kNoteSize; }).second;
        QVERIFY(question.isValid());
        QVERIFY(a.reply(question, "Answer from A"));

        QVERIFY(ProgramProcess::waitFor([&] { return b.notes().size() == 1; }));
        const QString received = b.notes().first();
        QVERIFY2(received.endsWith(",Answer from A" + Trailer("127.0.0.2", host)) && IsCentred(received),
                 qPrintable(received));
        QVERIFY(ProgramProcess::waitFor([&] {
            return a.program->errorOutput().contains("alert balloon: \"" + host +
                                                     " (127.0.0.3) has received your message\"");
        }));

        const QRect answerOnB = b.window(IsCentredNote).second;
        QVERIFY(answerOnB.isValid());
        QVERIFY(b.reply(answerOnB, "Answer from B"));
        QVERIFY(ProgramProcess::waitFor(
            [&] { return a.notes().filter(",Answer from B" + Trailer("127.0.0.3", host)).size() == 1; }));
        QCOMPARE(b.notes().size(), 1);
        // B's answered note stays; the window manager may still be busy with the editor that went.
        QVERIFY(ProgramProcess::waitFor([&] {
            const QList<QRect> shownOnB = b.display.windowsOf(b.program->process().processId()).values();
            return std::any_of(shownOnB.cbegin(), shownOnB.cend(), IsCentredNote);
        }));

        sendAs("127.0.0.2", "Again", "127.0.0.3");
        QVERIFY(ProgramProcess::waitFor([&] { return !b.notes().filter(",Again[FROM=").isEmpty(); }));
        const QSettings stored(b.folders.configHome() + "/Zettlor/Zettlor.conf", QSettings::IniFormat);
        QCOMPARE(stored.value("Settings/Contacts").toString(), "127.0.0.2(" + host + ")");
    }

    // tester answers a note anna left in its Incoming folder; anna's next
    // start shows the answer and leaves alone what is no note for her.
    void localUsersDropNotesForEachOther()
    {
        Copy tester;
        if (!tester.display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + tester.display.problem()));
        tester.environment.insert("USER", "tester");
        const QString root = tester.folders.root();
        const QString annaHome = root + "/home/anna";
        QProcessEnvironment anna = tester.folders.processEnvironment();
        const QList<std::pair<QString, QString>> annasOwn{{"USER", "anna"},
                                                          {"HOME", annaHome},
                                                          {"XDG_CONFIG_HOME", annaHome + "/.config"},
                                                          {"XDG_DATA_HOME", annaHome + "/.local/share"},
                                                          {"XDG_RUNTIME_DIR", root + "/run-anna"},
                                                          {"ZETTLOR_WEB_BASE", "http://127.0.0.1:9"},
                                                          {"QT_LOGGING_RULES", "zettlor.*.info=true"},
                                                          {"ZETTLOR_DIALOG_LOG", root + "/anna-dialogs.log"}};
        for (const auto &[name, value] : annasOwn)
            anna.insert(name, value);
        QDir().mkpath(root + "/run-anna");
        QFile::setPermissions(root + "/run-anna", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString annasIncoming = annaHome + "/.local/share/Zettlor/Incoming/";
        const auto startAnna = [&](ProgramProcess &program) {
            return program.start({"--address", "127.0.0.3", "--port", QString::number(kPort)}) &&
                   ProgramProcess::waitFor([&] { return program.errorOutput().contains("started;"); });
        };
        {
            ProgramProcess first(anna);
            QVERIFY(startAnna(first));
        }
        struct stat folder;
        QVERIFY(::stat(QFile::encodeName(annasIncoming).constData(), &folder) == 0);
        QCOMPARE(folder.st_mode & 07777, mode_t(03733)); // others drop, only anna lists and reads

        const QString testersIncoming = tester.dataFolder() + "/Incoming/";
        WriteBytes(testersIncoming + "05122619361742.zln", ("anna (Local User)" + kNote + "Hi").toUtf8());
        QVERIFY2(tester.start("127.0.0.2"), qPrintable(tester.program->errorOutput()));
        QCOMPARE(tester.notes().filter(QRegularExpression(",Hi\\[FROM=Local User\\|anna\\]$")).size(), 1);
        const QRect fromAnna = tester.window([](QRect w) { return w.size() == kNoteSize; }).second;
        QVERIFY(tester.reply(fromAnna, "Hi anna"));
        const QStringList delivered = QDir(annasIncoming).entryList(QDir::Files);
        QCOMPARE(delivered.size(), 1);
        const QString dropped = annasIncoming + delivered.first();
        QVERIFY2(
            QRegularExpression("^tester \\(Local User\\)\\d+,2550,\\*,\\*,,[^,]+,\\d+,-?\\d+,-?\\d+,Hi anna$")
                .match(QString::fromUtf8(ReadBytes(dropped)))
                .hasMatch(),
            ReadBytes(dropped).constData());
        struct stat file;
        QVERIFY(::stat(QFile::encodeName(dropped).constData(), &file) == 0);
        QCOMPARE(file.st_mode & 0777, mode_t(0640)); // anna reads it through her group

        WriteBytes(root + "/secret", (kNote + "secret").toUtf8());
        QFile::link(root + "/secret", annasIncoming + "link.zln");
        QDir().mkpath(annasIncoming + "folder.zln");
        WriteBytes(annasIncoming + "big.zln", ("x (y)" + kNote).toUtf8() + QByteArray(2 << 20, 'x'));
        WriteBytes(annasIncoming + "bare.zln", (kNote + "no sender").toUtf8());
        WriteBytes(annasIncoming + "open.zln", ("x (" + kNote + "half").toUtf8());
        WriteBytes(annasIncoming + "NOTE.ZLN", "2880,3255,*,*,,Verdana,12,12648447,0,upper case");
        WriteBytes(annasIncoming + "readme.txt", "not a note");
        ProgramProcess second(anna);
        QVERIFY(startAnna(second));
        const QString annasActive = annaHome + "/.local/share/Zettlor/Active/";
        QStringList endings;
        for (const QString &name : QDir(annasActive).entryList(QDir::Files))
            endings << QString::fromUtf8(ReadBytes(annasActive + name)).section(',', 9);
        endings.sort();
        QCOMPARE(endings, (QStringList{"Hi anna" + Trailer("Local User", "tester"), "half", "no sender"}));
        QStringList left =
            QDir(annasIncoming).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        left.sort();
        QCOMPARE(left, (QStringList{"NOTE.ZLN", "big.zln", "folder.zln", "link.zln", "readme.txt"}));
        QCOMPARE(ReadBytes(root + "/secret"), (kNote + "secret").toUtf8());
    }
};

ZETTLOR_TEST_CLASS(NoteExchangeTest)
#include "NoteExchangeTest.moc"

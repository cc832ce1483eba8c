#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <optional>

// Gives one test case its own HOME, XDG folders and TMPDIR, resets the globals and points the settings store
// there. Create one at the start of a case; when it goes, the previous environment comes back
// (ZETTLOR_WEB_BASE and http_proxy too, which cases set themselves) and the dialog runner and URL opener are
// the real ones again.
class TestEnvironment final
{
    Q_DISABLE_COPY_MOVE(TestEnvironment)

public:
    TestEnvironment();
    ~TestEnvironment();

    QString root() const { return m_root.path(); }
    QString home() const { return root() + "/home/tester"; }
    QString dataHome() const { return home() + "/.local/share"; } // XDG_DATA_HOME
    QString configHome() const { return home() + "/.config"; }    // XDG_CONFIG_HOME
    QString runtimeFolder() const { return root() + "/run"; }
    // The default data folder of the program in this environment.
    QString defaultDataFolder() const { return dataHome() + "/Zettlor"; }
    // A folder standing in for the program folder (portable mode tests).
    QString programFolder() const { return root() + "/program"; }

    // The environment for a child zettlor process.
    QProcessEnvironment processEnvironment() const;

private:
    QTemporaryDir m_root;
    QHash<QByteArray, QByteArray> m_saved;
    QHash<QByteArray, std::optional<QByteArray>> m_settable; // variables a case may set
};

// The environment of a zettlor process in the test's folders, with its dialogs recorded in root()/dialogs.log
// instead of shown and no release check leaving the computer.
QProcessEnvironment ProgramEnvironment(const TestEnvironment &environment);

// Writes bytes to path, creating its folder.
void WriteBytes(const QString &path, const QByteArray &bytes);
QByteArray ReadBytes(const QString &path);

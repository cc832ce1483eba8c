#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// Folders for one child zettlor of several running at once: its own HOME,
// XDG folders, runtime folder and TMPDIR. Unlike TestEnvironment it leaves
// this process's environment alone.
class PeerEnvironment final
{
    Q_DISABLE_COPY_MOVE(PeerEnvironment)

public:
    PeerEnvironment();

    QString root() const { return m_root.path(); }
    QString home() const { return root() + "/home/peer"; }
    QString configHome() const { return home() + "/.config"; }
    QString dataFolder() const { return home() + "/.local/share/Zettlor"; }
    QString activeFolder() const { return dataFolder() + "/Active"; }
    QString dialogLog() const { return root() + "/dialogs.log"; }

    // Writes one value into the child's settings store before it starts.
    void writeSetting(const QString &key, const QString &value) const;
    // The child's environment; logging rules as given.
    QProcessEnvironment processEnvironment(const QString &loggingRules = {}) const;

private:
    QTemporaryDir m_root;
};

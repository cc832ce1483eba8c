#pragma once

#include <QStringList>
#include <limits>

class QComboBox;

// The small file procedures every part shares. Reads never fail loudly: a
// missing file reads as the empty text.
namespace modFiles {

// No note file larger than this is loaded, so none is written either.
inline constexpr qint64 MaximumNoteFileSize = 1 << 20;

// Whole file as text (UTF-8 when valid, else Windows-1252); "" when missing
// or unreadable.
QString ReadTextFile(const QString &path);
enum class ReadOutcome { Read, Missing, Unreadable };
// Like ReadTextFile, but tells a missing file from one that exists and cannot
// be read, which must never be overwritten as if it were empty. Only regular
// files are read (after following links); a folder, FIFO or device is
// Unreadable at once, and so is a file longer than sizeLimit bytes.
inline constexpr qint64 NoSizeLimit = std::numeric_limits<qint64>::max() - 1;
ReadOutcome ReadTextFile(const QString &path, QString &text, qint64 sizeLimit = NoSizeLimit);
// What a write does when path is a symbolic link.
enum class LinkWrite {
    FollowLink, // the link's target is replaced
    ReplaceLink // the link itself is replaced by a regular file; the target is untouched
};
// Replaces the file atomically with the text as UTF-8; false when it failed.
bool WriteTextFile(const QString &path, const QString &text, LinkWrite how = LinkWrite::FollowLink);
// Bytes written atomically: the old file or the new one, never a torn one;
// the file and its folder are synced, so a power cut keeps the new one.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes);
// Copies completely (replacing the target), then deletes the source. Refuses
// (false, nothing touched) when both name the same file or the source is no
// regular file once links are followed.
bool MoveFile(const QString &source, const QString &target);
// Deletes; false when the file is still there.
bool DeleteFile(const QString &path);
// Creates the folder and its parents; failures are ignored.
void MakeFolder(const QString &path);
// DataFolder and its Active, Archive, Incoming and Pending sub-folders.
void CreateDataFolders();
// "ddMMyyHHmmss" + hundredths + ".zln", never a name present in folder nor one
// handed out before by this process.
QString NewNoteFileName(const QString &folder);
// folder + "/" + fileName, or a new note name in folder when a file or link
// already has that name: a note moved there never replaces another.
QString FreeNotePath(const QString &folder, const QString &fileName);
// One entry per line that ends in CR LF; shows the first entry.
void FillComboFromFile(QComboBox *combo, const QString &path);
// The part after the last "/" or "\".
QString FileNameFromPath(const QString &path);

// A read-only file the program ships or a distributor adds (About.ini,
// About.gif, sounds): beside the executable first (a build tree, a portable
// copy), then in the installed share folder (<prefix>/share/zettlor). A name
// found in neither gives the path beside the executable; an absolute path
// stays as it is.
QString ProgramDataFile(const QString &name);
// The names of such files matching nameFilters ("*.wav") in both folders,
// each once, sorted without regard to case.
QStringList ProgramDataFileNames(const QStringList &nameFilters);
// True when the executable lies in an installed tree (beside its share
// folder): that folder belongs to the system, whoever runs the program.
bool ProgramIsInstalled();

// Paths inside the data folder.
QString ActiveFolder();
QString ArchiveFolder();
QString IncomingFolder();
QString PendingFolder();

} // namespace modFiles

#include "core/modFiles.h"

#include "core/Globals.h"
#include "core/modText.h"
#include "platform/Platform.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <filesystem>

namespace modFiles {

namespace {

// Regular files only: opening a FIFO waits for a writer, a device never
// ends. Another user's file in the drop folder may become one after the
// check, or grow without end, so the open does not wait, and the read stops
// one byte past the size the open found. Files are replaced whole, never
// grown, so a longer one is not what it was.
ReadOutcome ReadFileBytes(const QString &path, QByteArray &bytes, qint64 sizeLimit)
{
    bytes.clear();
    const QFileInfo info(path);
    if (!info.exists()) // a dangling link too: there is nothing to lose
        return ReadOutcome::Missing;
    if (!info.isFile())
        return ReadOutcome::Unreadable;
    QFile file(path);
    if (!platform::OpenForReading(file) || file.isSequential())
        return ReadOutcome::Unreadable;
    const qint64 size = file.size();
    if (size > sizeLimit)
        return ReadOutcome::Unreadable;
    bytes = file.read(size + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > size)
        return ReadOutcome::Unreadable;
    return ReadOutcome::Read;
}

} // namespace

ReadOutcome ReadTextFile(const QString &path, QString &text, qint64 sizeLimit)
{
    QByteArray bytes;
    const ReadOutcome outcome = ReadFileBytes(path, bytes, sizeLimit);
    text = outcome == ReadOutcome::Read ? modText::DecodeBytes(bytes) : QString();
    return outcome;
}

QString ReadTextFile(const QString &path)
{
    QString text;
    ReadTextFile(path, text);
    return text;
}

namespace {

// Writes a new file beside path, syncs it and renames it over path (over the
// target when path is a link).
bool ReplaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() does not notice when the final flush is cut short (disk full,
    // size limit), so flush here and check.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// An unused name beside path in the form QSaveFile gives its temporary files
// ("<name>.XXXXXX"), so that start-up's clean-up of strays covers it.
QString TemporaryNameBeside(const QString &path)
{
    static const QLatin1String letters("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    for (;;) {
        QString name = path + QLatin1Char('.');
        for (int i = 0; i < 6; ++i)
            name += letters[QRandomGenerator::global()->bounded(int(letters.size()))];
        const QFileInfo info(name);
        if (!info.exists() && !info.isSymLink())
            return name;
    }
}

// rename() replaces the link itself, where QSaveFile would write its target.
bool ReplaceLink(const QString &link, const QByteArray &bytes)
{
    const QString temporary = TemporaryNameBeside(link);
    if (!ReplaceFile(temporary, bytes))
        return false;
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(link).constData(),
                            error);
    if (error) {
        DeleteFile(temporary);
        return false;
    }
    platform::SyncFolder(QFileInfo(link).absolutePath());
    return true;
}

// Both paths name one file, however spelled ("//", "..", a link).
bool IsSameFile(const QString &a, const QString &b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

} // namespace

bool WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    if (!ReplaceFile(path, bytes))
        return false;
    // The rename is an entry in the folder: without this a power cut may
    // bring back the old file.
    platform::SyncFolder(QFileInfo(path).canonicalPath());
    return true;
}

bool WriteTextFile(const QString &path, const QString &text, LinkWrite how)
{
    if (how == LinkWrite::ReplaceLink && QFileInfo(path).isSymLink())
        return ReplaceLink(path, text.toUtf8());
    return WriteFileAtomically(path, text.toUtf8());
}

bool MoveFile(const QString &source, const QString &target)
{
    // Copying a file onto itself and deleting the source would delete it.
    if (IsSameFile(source, target))
        return false;
    QByteArray bytes;
    if (ReadFileBytes(source, bytes, NoSizeLimit) != ReadOutcome::Read || !WriteFileAtomically(target, bytes))
        return false;
    DeleteFile(source);
    return true;
}

bool DeleteFile(const QString &path)
{
    return QFile::remove(path) || !QFileInfo::exists(path);
}

void MakeFolder(const QString &path)
{
    QDir().mkpath(path);
    QCoreApplication::processEvents();
}

namespace {

// Other local users may pass through the data folder to drop notes into its
// Incoming folder, so the folders holding this user's notes are made private.
// Folders that exist already keep the modes their owner gave them.
void MakeFolderWithModes(const QString &path, QFileDevice::Permissions modes)
{
    if (QFileInfo::exists(path))
        return;
    const QFileInfo folder(path);
    QDir().mkpath(folder.absolutePath());
    QDir().mkdir(path, modes);
    QCoreApplication::processEvents();
}

constexpr QFileDevice::Permissions kOwnerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

} // namespace

void CreateDataFolders()
{
    MakeFolderWithModes(DataFolder, kOwnerOnly | QFileDevice::ExeGroup | QFileDevice::ExeOther);
    MakeFolderWithModes(ActiveFolder(), kOwnerOnly);
    MakeFolderWithModes(ArchiveFolder(), kOwnerOnly);
    MakeFolder(IncomingFolder());
    MakeFolderWithModes(PendingFolder(), kOwnerOnly);
}

QString NewNoteFileName(const QString &folder)
{
    // Names advance by hundredths of a second, so the last one handed out is
    // remembered: two notes made within one hundredth must not share a file.
    static QDateTime lastIssued;
    QDateTime moment = QDateTime::currentDateTime();
    if (lastIssued.isValid() && moment < lastIssued.addMSecs(10))
        moment = lastIssued.addMSecs(10);
    const QDir dir(folder);
    for (;;) {
        const int hundredths = moment.time().msec() / 10;
        const QString name = moment.toString(QStringLiteral("ddMMyyHHmmss")) +
                             QStringLiteral("%1.zln").arg(hundredths, 2, 10, QLatin1Char('0'));
        if (!dir.exists(name)) {
            lastIssued = moment;
            return name;
        }
        moment = moment.addMSecs(10);
    }
}

QString FreeNotePath(const QString &folder, const QString &fileName)
{
    const QFileInfo target(folder + QLatin1Char('/') + fileName);
    const bool taken = target.exists() || target.isSymLink();
    return folder + QLatin1Char('/') + (taken ? NewNoteFileName(folder) : fileName);
}

void FillComboFromFile(QComboBox *combo, const QString &path)
{
    if (!QFileInfo::exists(path))
        return;
    const QString text = ReadTextFile(path);
    const QString lineEnd = QStringLiteral("\r\n");
    qsizetype start = 0;
    for (qsizetype end = text.indexOf(lineEnd); end >= 0; end = text.indexOf(lineEnd, start)) {
        combo->addItem(text.mid(start, end - start));
        start = end + lineEnd.size();
    }
    if (combo->count() > 0)
        combo->setCurrentIndex(0);
}

QString FileNameFromPath(const QString &path)
{
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

namespace {

// Found from the executable, so that a tree installed elsewhere (a staging
// folder, a prefix in the home folder) reads its own files.
QString InstalledDataFolder()
{
    return QDir::cleanPath(ProgramFolder + QStringLiteral("/" ZETTLOR_DATA_FROM_BIN));
}

QStringList ProgramDataFolders()
{
    return {ProgramFolder, InstalledDataFolder()};
}

} // namespace

QString ProgramDataFile(const QString &name)
{
    for (const QString &folder : ProgramDataFolders()) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QDir(ProgramFolder).filePath(name);
}

QStringList ProgramDataFileNames(const QStringList &nameFilters)
{
    QStringList names;
    for (const QString &folder : ProgramDataFolders())
        names += QDir(folder).entryList(nameFilters, QDir::Files);
    names.removeDuplicates();
    names.sort(Qt::CaseInsensitive);
    return names;
}

bool ProgramIsInstalled()
{
    return QFileInfo(InstalledDataFolder()).isDir();
}

QString ActiveFolder()
{
    return DataFolder + QStringLiteral("/Active");
}
QString ArchiveFolder()
{
    return DataFolder + QStringLiteral("/Archive");
}
QString IncomingFolder()
{
    return DataFolder + QStringLiteral("/Incoming");
}
QString PendingFolder()
{
    return DataFolder + QStringLiteral("/Pending");
}

} // namespace modFiles

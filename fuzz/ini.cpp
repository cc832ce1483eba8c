// Writes a section, key and value of arbitrary bytes into an INI file of
// arbitrary bytes, twice: each write either leaves the file alone or reads
// back, and no other key changes.
#include "core/modINI.h"
#include "core/modText.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

// Names a stray value would most likely try to create.
const QStringList kSections{"A", "Options", "Settings", "\\"};
const QStringList kKeys{"K", "Icon", "Contacts"};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

QString Text(FuzzedDataProvider &input)
{
    return modText::DecodeBytes(QByteArray::fromStdString(input.ConsumeRandomLengthString(80)));
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool SameName(const QString &a, const QString &b)
{
    return a.toUpper() == b.toUpper();
}

// The probes' values, except the one the write may change.
QStringList ReadOtherKeys(const QString &file, const QString &section, const QString &key)
{
    QStringList values;
    for (const QString &probeSection : kSections) {
        for (const QString &probeKey : kKeys) {
            if (!SameName(probeSection, section) || !SameName(probeKey, key))
                values << modINI::ReadIni(probeSection, probeKey, file);
        }
    }
    return values;
}

// What a value reads back as: on one line, without blanks around it.
QString Stored(QString value)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value.trimmed();
}

QString FuzzFile()
{
    QLoggingCategory::setFilterRules(QStringLiteral("zettlor.*=false"));
    static QTemporaryDir folder(QDir("/dev/shm").exists()
                                    ? QStringLiteral("/dev/shm/fuzz-ini-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/fuzz-ini-XXXXXX"));
    return folder.path() + QStringLiteral("/fuzz.ini");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString file = FuzzFile();
    FuzzedDataProvider input(data, size);
    const QString section = Text(input);
    const QString key = Text(input);
    const QStringList values{Text(input), Text(input)};
    {
        QFile initial(file);
        Check(initial.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const std::string bytes = input.ConsumeRemainingBytesAsString();
        initial.write(bytes.data(), qint64(bytes.size()));
    }
    const QStringList others = ReadOtherKeys(file, section, key);
    for (const QString &value : values) {
        const QByteArray before = ReadBytes(file);
        if (modINI::WriteIni(section, key, value, file))
            Check(modINI::ReadIni(section, key, file) == Stored(value));
        else
            Check(ReadBytes(file) == before);
        Check(ReadOtherKeys(file, section, key) == others);
    }
    return 0;
}

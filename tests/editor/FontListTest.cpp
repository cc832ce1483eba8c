#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "editor/modFontList.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QTest>

namespace {

// Where the platform lists a family, foundry left out.
qsizetype PlatformIndex(const QString &name)
{
    const QStringList families = QFontDatabase::families();
    for (qsizetype i = 0; i < families.size(); ++i)
        if (families[i].section(" [", 0, 0) == name)
            return i;
    return -1;
}

} // namespace

class FontListTest final : public QObject
{
    Q_OBJECT

    QByteArray savedPath;

private slots:
    void init() { savedPath = qgetenv("PATH"); }
    void cleanup() { qputenv("PATH", savedPath); }

    void desktopDefaultFirstNoSymbolFonts_data()
    {
        QTest::addColumn<QString>("fcMatch"); // script of a stand-in fc-match; "" for none
        QTest::addColumn<QString>("first");   // "" when the platform's order holds throughout
        QTest::newRow("default family") << "printf 'DejaVu Sans'"
                                        << "DejaVu Sans";
        QTest::newRow("fails") << "printf 'DejaVu Sans'; exit 1"
                               << "";
        QTest::newRow("no such family") << "printf 'No Such Font'"
                                        << "";
        QTest::newRow("symbol font") << "printf 'Standard Symbols PS'"
                                     << "";
        QTest::newRow("no fontconfig") << ""
                                       << "";
    }
    void desktopDefaultFirstNoSymbolFonts()
    {
        QFETCH(QString, fcMatch);
        QFETCH(QString, first);
        if (!first.isEmpty() && PlatformIndex(first) < 0)
            QSKIP("the family is not installed here");
        TestEnvironment environment;
        const QString bin = environment.root() + "/bin";
        if (!fcMatch.isEmpty()) {
            WriteBytes(bin + "/fc-match", ("#!/bin/sh\n" + fcMatch + "\n").toUtf8());
            QFile::setPermissions(bin + "/fc-match", QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.toLocal8Bit());

        modFontList::BuildFontList();
        QStringList names = QString::fromUtf8(ReadBytes(modFontList::FontListFile())).split("\r\n");
        QCOMPARE(names.takeLast(), QString()); // the last line ends too
        QVERIFY(names.size() > 2);
        for (const char *symbols : {"Standard Symbols PS", "D050000L"})
            QVERIFY2(!names.contains(symbols), symbols);
        if (!first.isEmpty())
            QCOMPARE(names.takeFirst(), first);
        for (qsizetype i = 1; i < names.size(); ++i)
            QVERIFY2(PlatformIndex(names[i - 1]) < PlatformIndex(names[i]), qPrintable(names[i]));
    }

    void listLivesWhereItCanBeWritten_data()
    {
        QTest::addColumn<QString>("programFolder"); // "build tree", "installed", "not writable"
        QTest::addColumn<bool>("listThere");        // a list lies beside the executable already
        QTest::addColumn<bool>("beside");
        QTest::newRow("build tree") << "build tree" << false << true;
        QTest::newRow("installed, writable by root") << "installed" << false << false;
        QTest::newRow("installed with a list") << "installed" << true << true;
        QTest::newRow("not writable") << "not writable" << false << false;
    }
    void listLivesWhereItCanBeWritten()
    {
        QFETCH(QString, programFolder);
        QFETCH(bool, listThere);
        QFETCH(bool, beside);
        TestEnvironment environment;
        if (programFolder == "installed")
            QDir().mkpath(ProgramFolder + "/../share/zettlor");
        if (listThere)
            WriteBytes(ProgramFolder + "/Fonts.zl", "Alpha\r\n");
        if (programFolder == "not writable") // for root too: a folder that is not there
            ProgramFolder = environment.root() + "/gone";
        QCOMPARE(modFontList::FontListFile(), (beside ? ProgramFolder : DataFolder) + "/Fonts.zl");
    }
};

ZETTLOR_TEST_CLASS(FontListTest)
#include "FontListTest.moc"

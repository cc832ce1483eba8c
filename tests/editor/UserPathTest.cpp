#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "messaging/modSend.h"

#include <QDir>
#include <QTest>

// The profiles folder is the parent of HOME: TestEnvironment's root + "/home".
class UserPathTest final : public QObject
{
    Q_OBJECT

private slots:
    void computesTemplate_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("dataBelowProfiles"); // DataFolder below the profiles folder
        QTest::addColumn<QString>("expected");          // below the profiles folder; "" = empty template
        QTest::newRow("own profile") << "tester" << "tester/.local/share/Zettlor"
                                     << "[USERNAME]/.local/share/Zettlor";
        QTest::newRow("name inside later folders") << "share" << "share/.local/share/Zettlor"
                                                   << "[USERNAME]/.local/share/Zettlor";
        QTest::newRow("case differs") << "Tester" << "tester/.local/share/Zettlor" << "";
        QTest::newRow("no such profile") << "anna" << "tester/.local/share/Zettlor" << "";
        QTest::newRow("outside the profile") << "tester" << "anna/tester/Zettlor" << "";
    }
    void computesTemplate()
    {
        QFETCH(QString, user);
        QFETCH(QString, dataBelowProfiles);
        QFETCH(QString, expected);
        TestEnvironment environment;
        const QString profiles = environment.root() + "/home";
        QDir().mkpath(profiles + "/" + dataBelowProfiles);
        UserName = user;
        DataFolder = profiles + "/" + dataBelowProfiles;
        QCOMPARE(modSend::ComputeUserPathTemplate(), expected.isEmpty() ? QString() : profiles + "/" + expected);
    }

    void localUserFolder_data()
    {
        QTest::addColumn<QString>("pathTemplate");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("user") << "/home/[USERNAME]/.local/share/Zettlor" << "anna" << "/home/anna/.local/share/Zettlor";
        QTest::newRow("no template") << "" << "anna" << "";
        QTest::newRow("climbing name") << "/home/[USERNAME]/Zettlor" << ".." << "";
        QTest::newRow("backslash in name") << "/home/[USERNAME]/Zettlor" << "a\\b" << "";
    }
    void localUserFolder()
    {
        QFETCH(QString, pathTemplate);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        TestEnvironment environment;
        UserPathTemplate = pathTemplate;
        QCOMPARE(modSend::LocalUserDataFolder(name), folder);
    }
};

ZETTLOR_TEST_CLASS(UserPathTest)
#include "UserPathTest.moc"

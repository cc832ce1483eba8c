#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modSettings.h"

#include <QFile>
#include <QTest>

using namespace modSettings;

class SettingsTest final : public QObject
{
    Q_OBJECT

private slots:
    void bothStoresRoundTrip_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        for (const bool portable : {false, true}) {
            const char *store = portable ? "portable" : "native";
            QTest::addRow("%s plain", store) << portable << "Options" << "Icon" << "/a b/c.png";
            QTest::addRow("%s legacy top level", store) << portable << "\\" << "Note1" << "1,2,text";
            QTest::addRow("%s non-ASCII", store) << portable << "Settings" << "Contacts" << "10.0.0.1(Jörg)";
            QTest::addRow("%s long", store) << portable << "Settings" << "Contacts" << QString(3000, 'x');
        }
    }
    void bothStoresRoundTrip()
    {
        QFETCH(bool, portable);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        TestEnvironment environment;
        PortableMode = portable;
        QCOMPARE(ReadSetting(section, key), QString());
        QVERIFY(WriteSetting(section, key, value));
        QCOMPARE(ReadSetting(section, key), value);
        // Each store keeps to its own place.
        QCOMPARE(QFile::exists(PortableSettingsFile()), portable);
        QCOMPARE(QFile::exists(environment.configHome() + "/Zettlor/Zettlor.conf"), !portable);
    }

    void portableFileIsReadWithIniRules()
    {
        TestEnvironment environment;
        PortableMode = true;
        WriteBytes(PortableSettingsFile(), "[options]\r\nsingleclickaction=Hide All Notes\r\n");
        QCOMPARE(ReadSettingOrDefault(SettingKeys::SingleClickAction), QString("Hide All Notes"));
        QCOMPARE(ReadSettingOrDefault(SettingKeys::DoubleClickAction), QString("Create Note"));
    }

    void proxyCredentialsAreStoredScrambled()
    {
        TestEnvironment environment;
        PortableMode = true;
        WriteProxyUsername("abc");
        QCOMPARE(ReadSetting(SettingKeys::ProxyUsername), QString("bdf"));
        QCOMPARE(ReadProxyUsername(), QString("abc"));
        WriteProxyPassword("pässwörd €");
        QCOMPARE(ReadProxyPassword(), QString("pässwörd €"));
    }
};

ZETTLOR_TEST_CLASS(SettingsTest)
#include "SettingsTest.moc"

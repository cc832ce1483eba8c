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
        QTest::addColumn<QString>("value");
        for (const bool portable : {false, true}) {
            const char *store = portable ? "portable" : "native";
            QTest::addRow("%s legacy top level", store) << portable << QString("\\") << QString("1,2,text");
            QTest::addRow("%s non-ASCII", store) << portable << QString("Settings") << QString("Jörg €");
            QTest::addRow("%s long", store) << portable << QString("Settings") << QString(3000, 'x');
        }
    }
    void bothStoresRoundTrip()
    {
        QFETCH(bool, portable);
        QFETCH(QString, section);
        QFETCH(QString, value);
        TestEnvironment environment;
        PortableMode = portable;
        QCOMPARE(ReadSetting(section, "Note1"), QString());
        QVERIFY(WriteSetting(section, "Note1", value));
        QCOMPARE(ReadSetting(section, "Note1"), value);
        // Each store keeps to its own place.
        QCOMPARE(QFile::exists(PortableSettingsFile()), portable);
        QCOMPARE(QFile::exists(environment.configHome() + "/Zettlor/Zettlor.conf"), !portable);
    }

    void proxyCredentialsAreStoredScrambled()
    {
        TestEnvironment environment;
        WriteProxyUsername("abc");
        WriteProxyPassword("pässwörd €");
        QCOMPARE(ReadSetting(SettingKeys::ProxyUsername), QString("bdf"));
        QCOMPARE(ReadProxyUsername(), QString("abc"));
        QCOMPARE(ReadProxyPassword(), QString("pässwörd €"));
    }
};

ZETTLOR_TEST_CLASS(SettingsTest)
#include "SettingsTest.moc"

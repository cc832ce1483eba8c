#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modAlerts.h"
#include "core/modSettings.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace modSettings;

class SettingsTest final : public QObject
{
    Q_OBJECT

private slots:
    // Section "\" (older releases' notes) is read and written by the legacy migration.
    void storesEachSettingInItsPlace_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("portable") << true << QByteArray("[Settings]\r\nNOTE1=J\xc3\xb6rg \xe2\x82\xac\r\n");
        QTest::newRow("native") << false << QByteArray("[Settings]\nNote1=J\xc3\xb6rg \xe2\x82\xac\n");
    }
    void storesEachSettingInItsPlace()
    {
        QFETCH(bool, portable);
        TestEnvironment environment;
        PortableMode = portable;
        QCOMPARE(ReadSetting("Settings", "Note1"), QString());
        QVERIFY(WriteSetting("Settings", "Note1", "Jörg €"));
        QTEST(
            ReadBytes(portable ? PortableSettingsFile() : environment.configHome() + "/Zettlor/Zettlor.conf"),
            "file");
        QCOMPARE(QFile::exists(PortableSettingsFile()), portable);
        QCOMPARE(ReadSetting("Settings", "Note1"), QString("Jörg €"));
    }

    void unreadableSettingsFileIsNeverWritten()
    {
        // A folder in its place cannot be read, by root neither.
        TestEnvironment environment;
        PortableMode = true;
        const QString file = PortableSettingsFile();
        QDir().mkpath(file);
        QStringList alerts;
        modAlerts::SetAlertPresenter([&](const QString &text) { alerts << text; });
        WriteSetting(SettingKeys::Icon, "a.png");
        WriteSetting(SettingKeys::Contacts, "5.6.7.8(Eve)");
        modAlerts::SetAlertPresenter({});
        QCOMPARE(ReadSetting(SettingKeys::Contacts), QString("5.6.7.8(Eve)"));
        QCOMPARE(alerts.size(), 1);
        QVERIFY(alerts[0].contains(file));
        // Untouched; once it can be read again the kept changes go in with the next one.
        QVERIFY(QDir().rmdir(file));
        WriteBytes(file, "[Settings]\r\nCONTACTS=1.2.3.4(Bob)\r\n");
        WriteSetting(SettingKeys::Version, "3.0.6");
        QCOMPARE(ReadBytes(file), "[Settings]\r\nCONTACTS=5.6.7.8(Eve)\r\n[Options]\r\nICON=a.png\r\n"
                                  "[Misc]\r\nVERSION=3.0.6\r\n");
    }

    void proxyCredentialsAreStoredScrambled()
    {
        TestEnvironment environment;
        WriteProxyUsername("abc");
        WriteProxyPassword("x");
        QCOMPARE(ReadSetting(SettingKeys::ProxyUsername), QString("bdf"));
        QCOMPARE(ReadSetting(SettingKeys::ProxyPassword), QString("y"));
        QCOMPARE(ReadProxyUsername(), QString("abc"));
        QCOMPARE(ReadProxyPassword(), QString("x"));
    }
};

ZETTLOR_TEST_CLASS(SettingsTest)
#include "SettingsTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modAlerts.h"
#include "core/modSettings.h"

#include <QDir>
#include <QTest>

using namespace modSettings;

class SettingsTest final : public QObject
{
    Q_OBJECT

private slots:
    // A portable copy keeps INI lines beside itself, others the user's
    // configuration; the proxy password is stored scrambled.
    void storesEachSettingInItsPlace_data()
    {
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("portable") << true
                                  << QByteArray("[Settings]\r\nNOTE1=J\xc3\xb6rg \xe2\x82\xac\r\n"
                                                "[Options]\r\nPROXYPASSWORD=bdf\r\n");
        QTest::newRow("native") << false
                                << QByteArray("[Options]\nProxyPassword=bdf\n\n[Settings]\nNote1=J\xc3\xb6rg "
                                              "\xe2\x82\xac\n");
    }
    void storesEachSettingInItsPlace()
    {
        QFETCH(bool, portable);
        TestEnvironment environment;
        PortableMode = portable;
        QVERIFY(WriteSetting("Settings", "Note1", "Jörg €"));
        WriteProxyPassword("abc");
        QTEST(
            ReadBytes(portable ? PortableSettingsFile() : environment.configHome() + "/Zettlor/Zettlor.conf"),
            "file");
        QCOMPARE(QFile::exists(PortableSettingsFile()), portable);
        QCOMPARE(ReadSetting("Settings", "Note1") + ReadProxyPassword(), QString("Jörg €abc"));
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
};

ZETTLOR_TEST_CLASS(SettingsTest)
#include "SettingsTest.moc"

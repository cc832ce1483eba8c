#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modAlerts.h"
#include "core/modSettings.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

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

    void unreadableSettingsFileIsNeverWritten_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("write-only file") << "mode 0200";
        QTest::newRow("folder") << "folder";
        QTest::newRow("FIFO") << "fifo";
    }
    void unreadableSettingsFileIsNeverWritten()
    {
        QFETCH(QString, kind);
        TestEnvironment environment;
        PortableMode = true;
        const QString file = PortableSettingsFile();
        const QByteArray stored = "[Settings]\r\nCONTACTS=1.2.3.4(Bob)\r\n";
        if (kind == "mode 0200") {
            if (geteuid() == 0)
                QSKIP("root reads a file whatever its mode");
            WriteBytes(file, stored);
            QFile::setPermissions(file, QFile::WriteOwner);
        } else if (kind == "folder") {
            QDir().mkpath(file);
        } else {
            mkfifo(QFile::encodeName(file).constData(), 0600);
        }
        QStringList alerts;
        modAlerts::SetAlertPresenter([&](const QString &text) { alerts << text; });
        WriteSetting(SettingKeys::Icon, "a.png");
        WriteSetting(SettingKeys::Contacts, "5.6.7.8(Eve)");
        modAlerts::SetAlertPresenter({});
        QCOMPARE(ReadSetting(SettingKeys::Contacts), QString("5.6.7.8(Eve)"));
        QCOMPARE(alerts.size(), 1);
        QVERIFY(alerts[0].contains(file));
        // Untouched; once it can be read again the kept changes go in with the next one.
        if (kind == "mode 0200") {
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
            QCOMPARE(ReadBytes(file), stored);
        } else {
            QVERIFY(QDir().rmdir(file) || QFile::remove(file));
            WriteBytes(file, stored);
        }
        WriteSetting(SettingKeys::Version, "3.0.6");
        QCOMPARE(ReadBytes(file), "[Settings]\r\nCONTACTS=5.6.7.8(Eve)\r\n[Options]\r\nICON=a.png\r\n"
                                  "[Misc]\r\nVERSION=3.0.6\r\n");
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

#include "TestRegistry.h"

#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "messaging/modPlaySound.h"

#include <QCoreApplication>
#include <QSoundEffect>
#include <QTest>

class PlaySoundTest final : public QObject
{
    Q_OBJECT

    static qsizetype Players() { return qApp->findChildren<QSoundEffect *>().size(); }

private slots:
    void unplayableSoundLeavesNoPlayer_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("tried"); // players made before the failure shows
        QTest::newRow("placeholder") << "(None)" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("missing file") << "/nonexistent/in.wav" << 0;
        QTest::newRow("folder") << "/" << 0;
        QTest::newRow("broken file") << "<root>/broken.wav" << 1;
    }
    void unplayableSoundLeavesNoPlayer()
    {
        QFETCH(QString, path);
        QFETCH(int, tried);
        TestEnvironment environment;
        WriteBytes(environment.root() + "/broken.wav", "not a wave file");
        const qsizetype before = Players();
        modPlaySound::PlaySoundFile(path.replace("<root>", environment.root()));
        QCOMPARE(Players(), before + tried);
        QVERIFY(ProgramProcess::waitFor([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return Players() == before;
        }));
    }
};

ZETTLOR_TEST_CLASS(PlaySoundTest)
#include "PlaySoundTest.moc"

#include "TestRegistry.h"

#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "messaging/modPlaySound.h"

#include <QCoreApplication>
#include <QSoundEffect>
#include <QTest>

namespace {

qsizetype Players()
{
    return QCoreApplication::instance()->findChildren<QSoundEffect *>().size();
}

} // namespace

class PlaySoundTest final : public QObject
{
    Q_OBJECT

private slots:
    void nothingToPlayMakesNoPlayer_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("placeholder") << "(None)";
        QTest::newRow("empty") << "";
        QTest::newRow("missing file") << "/nonexistent/in.wav";
        QTest::newRow("folder") << "/";
    }
    void nothingToPlayMakesNoPlayer()
    {
        QFETCH(QString, path);
        const qsizetype before = Players();
        modPlaySound::PlaySoundFile(path);
        QCOMPARE(Players(), before);
    }

    void brokenFileReturnsAndIsCleanedUp()
    {
        TestEnvironment environment;
        const QString path = environment.root() + "/broken.wav";
        WriteBytes(path, "not a wave file");
        const qsizetype before = Players();
        modPlaySound::PlaySoundFile(path);
        modPlaySound::PlaySoundFile(path);
        QCOMPARE(Players(), before + 2);
        QVERIFY(ProgramProcess::waitFor([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return Players() == before;
        }));
    }
};

ZETTLOR_TEST_CLASS(PlaySoundTest)
#include "PlaySoundTest.moc"

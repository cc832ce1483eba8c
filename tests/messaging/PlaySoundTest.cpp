#include "TestRegistry.h"

#include "messaging/modPlaySound.h"

#include <QCoreApplication>
#include <QSoundEffect>
#include <QTest>

class PlaySoundTest final : public QObject
{
    Q_OBJECT

    static qsizetype Players() { return qApp->findChildren<QSoundEffect *>().size(); }

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
};

ZETTLOR_TEST_CLASS(PlaySoundTest)
#include "PlaySoundTest.moc"

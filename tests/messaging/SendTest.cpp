#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "messaging/modSend.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTest>

class SendTest final : public QObject
{
    Q_OBJECT

private slots:
    // Someone may put links into a shared Incoming folder under the names
    // notes will get: the note replaces the link and never writes its target.
    void localDeliveryNeverWritesThroughALink()
    {
        TestEnvironment environment;
        UserName = "tester";
        UserPathTemplate = environment.root() + "/home/[USERNAME]/data";
        const QString incoming = environment.root() + "/home/anna/data/Incoming/";
        QDir().mkpath(incoming);
        QDateTime moment = QDateTime::currentDateTime();
        for (int i = 0; i < 1000; ++i, moment = moment.addMSecs(10)) { // every name of the next 10 s
            const QString name = moment.toString("ddMMyyHHmmss") +
                                 QString("%1.zln").arg(moment.time().msec() / 10, 2, 10, QChar('0'));
            QFile::link(environment.root() + "/target" + QString::number(i), incoming + name);
        }
        QCOMPARE(modSend::SendNote("Local User", "anna", "note"), QString());
        QCOMPARE(QDir(environment.root()).entryList({"target*"}), QStringList());
        const QStringList delivered = QDir(incoming).entryList(QDir::Files | QDir::NoSymLinks);
        QCOMPARE(delivered.size(), 1);
        QCOMPARE(ReadBytes(incoming + delivered.first()), QByteArray("tester (Local User)note"));
        // anna reads it through her group, no one else at all.
        QCOMPARE(QFile(incoming + delivered.first()).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                                        QFile::ReadUser | QFile::WriteUser |
                                                                        QFile::ReadGroup);
    }
};

ZETTLOR_TEST_CLASS(SendTest)
#include "SendTest.moc"

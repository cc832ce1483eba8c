#include "TestRegistry.h"

#include "ProgramProcess.h"
#include "messaging/Winsock.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

namespace {

constexpr quint16 kPort = 41990;

} // namespace

class WinsockTest final : public QObject
{
    Q_OBJECT

private slots:
    void bindsPortUnshared_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<Winsock::BindError>("result");
        QTest::newRow("same address") << "127.0.0.4"
                                      << "127.0.0.4" << Winsock::BindError::AddressInUse;
        QTest::newRow("any after one") << "127.0.0.4"
                                       << "" << Winsock::BindError::AddressInUse;
        QTest::newRow("one after any") << ""
                                       << "127.0.0.4" << Winsock::BindError::AddressInUse;
        QTest::newRow("any twice") << ""
                                   << "" << Winsock::BindError::AddressInUse;
        QTest::newRow("other address") << "127.0.0.4"
                                       << "127.0.0.5" << Winsock::BindError::None;
        QTest::newRow("no address") << "127.0.0.4"
                                    << "not an address" << Winsock::BindError::Other;
    }
    void bindsPortUnshared()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        Winsock a;
        Winsock b;
        a.LocalPort = b.LocalPort = kPort;
        QCOMPARE(a.Bind(first), Winsock::BindError::None);
        QTEST(b.Bind(second), "result");
    }

    // The editor tells the user when a note did not go out, so every way a
    // send can fail must come back as false.
    void sendsNarrowestBytes_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes"); // empty: not sent
        QTest::newRow("ascii") << "127.0.0.5"
                               << "!A (1.2.3.4) ping" << QByteArray("!A (1.2.3.4) ping");
        QTest::newRow("Windows-1252")
            << "127.0.0.5"
            << "+A (1.2.3.4)Grüße €" << QByteArray("+A (1.2.3.4)Gr\xfc\xdf\x65 \x80");
        QTest::newRow("beyond 1252") << "127.0.0.5"
                                     << "+A (1.2.3.4)Ω中" << QString("+A (1.2.3.4)Ω中").toUtf8();
        QTest::newRow("largest datagram") << "127.0.0.5" << QString(65507, 'x') << QByteArray(65507, 'x');
        QTest::newRow("one byte too long") << "127.0.0.5" << QString(65508, 'x') << QByteArray();
        QTest::newRow("no host") << ""
                                 << "x" << QByteArray();
        QTest::newRow("host is no address") << "somewhere"
                                            << "x" << QByteArray();
    }
    void sendsNarrowestBytes()
    {
        QFETCH(QString, host);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress("127.0.0.5"), kPort));
        Winsock sender;
        sender.LocalPort = sender.RemotePort = kPort;
        QCOMPARE(sender.Bind("127.0.0.4"), Winsock::BindError::None);
        sender.RemoteHost = host;
        QCOMPARE(sender.SendData(text), !bytes.isEmpty());
        if (!bytes.isEmpty()) {
            QVERIFY(ProgramProcess::waitFor([&] { return receiver.hasPendingDatagrams(); }));
            QCOMPARE(receiver.receiveDatagram().data(), bytes);
        }
    }
};

ZETTLOR_TEST_CLASS(WinsockTest)
#include "WinsockTest.moc"

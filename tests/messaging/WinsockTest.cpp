#include "TestRegistry.h"

#include "ProgramProcess.h"
#include "messaging/Winsock.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

namespace {

constexpr quint16 kPort = 41990;

} // namespace

class WinsockTest final : public QObject
{
    Q_OBJECT

private slots:
    void secondBindOfPortFails_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("same address") << "127.0.0.4"
                                      << "127.0.0.4";
        QTest::newRow("any after one") << "127.0.0.4"
                                       << "";
        QTest::newRow("one after any") << ""
                                       << "127.0.0.4";
        QTest::newRow("any twice") << ""
                                   << "";
    }
    void secondBindOfPortFails()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        Winsock a;
        Winsock b;
        a.LocalPort = b.LocalPort = kPort;
        QCOMPARE(a.Bind(first), Winsock::BindError::None);
        QCOMPARE(b.Bind(second), Winsock::BindError::AddressInUse);
    }

    void otherAddressesShareNoPort()
    {
        Winsock a;
        Winsock b;
        a.LocalPort = b.LocalPort = kPort;
        QCOMPARE(a.Bind("127.0.0.4"), Winsock::BindError::None);
        QCOMPARE(b.Bind("127.0.0.5"), Winsock::BindError::None);
        QCOMPARE(a.LocalIP(), QString("127.0.0.4"));
    }

    void badAddressIsNoBind()
    {
        Winsock a;
        a.LocalPort = kPort;
        QCOMPARE(a.Bind("not an address"), Winsock::BindError::Other);
    }

    void sendEncodesNarrowest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << "!A (127.0.0.4) ping" << QByteArray("!A (127.0.0.4) ping");
        QTest::newRow("latin") << "+A (1.2.3.4)Grüße €" << QByteArray("+A (1.2.3.4)Gr\xfc\xdf\x65 \x80");
        QTest::newRow("beyond 1252") << "+A (1.2.3.4)Ω中" << QString("+A (1.2.3.4)Ω中").toUtf8();
        QTest::newRow("line breaks") << "+A (1.2.3.4)a\r\nb" << QByteArray("+A (1.2.3.4)a\r\nb");
    }
    void sendEncodesNarrowest()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress("127.0.0.5"), kPort));
        Winsock sender;
        sender.LocalPort = sender.RemotePort = kPort;
        QCOMPARE(sender.Bind("127.0.0.4"), Winsock::BindError::None);
        sender.RemoteHost = "127.0.0.5";
        QVERIFY(sender.SendData(text));
        QVERIFY(ProgramProcess::waitFor([&] { return peer.hasPendingDatagrams(); }));
        QCOMPARE(peer.receiveDatagram().data(), bytes);
    }

    void arrivalDecodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << QString("+A (1.2.3.4)Grüße Ω").toUtf8() << "+A (1.2.3.4)Grüße Ω";
        QTest::newRow("windows-1252")
            << QByteArray("+A (1.2.3.4)Gr\xfc\xdf\x65 \x80") << "+A (1.2.3.4)Grüße €";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void arrivalDecodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        Winsock receiver;
        receiver.LocalPort = kPort;
        QCOMPARE(receiver.Bind("127.0.0.4"), Winsock::BindError::None);
        QSignalSpy arrivals(&receiver, &Winsock::DataArrival);
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress("127.0.0.5"), 0));
        QCOMPARE(peer.writeDatagram(bytes, QHostAddress("127.0.0.4"), kPort), bytes.size());
        QVERIFY(ProgramProcess::waitFor([&] { return !arrivals.isEmpty(); }));
        QCOMPARE(arrivals.takeFirst().at(0).toString(), text);
    }

    // The editor tells the user when a note did not go out, so every way a
    // send can fail must come back as false.
    void sendReportsSuccess_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("sent");
        QTest::newRow("short") << "127.0.0.5" << 20 << true;
        QTest::newRow("largest datagram") << "127.0.0.5" << 65507 << true;
        QTest::newRow("one byte too long") << "127.0.0.5" << 65508 << false;
        QTest::newRow("no host") << "" << 20 << false;
        QTest::newRow("host is no address") << "somewhere" << 20 << false;
    }
    void sendReportsSuccess()
    {
        QFETCH(QString, host);
        QFETCH(int, length);
        QFETCH(bool, sent);
        Winsock sender;
        sender.LocalPort = sender.RemotePort = kPort;
        QCOMPARE(sender.Bind("127.0.0.4"), Winsock::BindError::None);
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress("127.0.0.5"), kPort));
        sender.RemoteHost = host;
        const QString text = "+A (1.2.3.4)" + QString(length - 12, QLatin1Char('x'));
        QCOMPARE(sender.SendData(text), sent);
        if (sent) {
            QVERIFY(ProgramProcess::waitFor([&] { return receiver.hasPendingDatagrams(); }));
            QCOMPARE(receiver.receiveDatagram().data().size(), length);
        }
    }
};

ZETTLOR_TEST_CLASS(WinsockTest)
#include "WinsockTest.moc"

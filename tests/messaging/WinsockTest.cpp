#include "TestRegistry.h"

#include "messaging/Winsock.h"

#include <QTest>

namespace {

constexpr quint16 kPort = 21990;
const QString kAny;
const QString kOne = QStringLiteral("127.0.0.4");
const QString kOther = QStringLiteral("127.0.0.5");
constexpr auto kInUse = Winsock::BindError::AddressInUse;

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
        QTest::newRow("same address") << kOne << kOne << kInUse;
        QTest::newRow("any after one") << kOne << kAny << kInUse;
        QTest::newRow("one after any") << kAny << kOne << kInUse;
        QTest::newRow("any twice") << kAny << kAny << kInUse;
        QTest::newRow("other address") << kOne << kOther << Winsock::BindError::None;
        QTest::newRow("no address") << kOne << QString("not an address") << Winsock::BindError::Other;
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
};

ZETTLOR_TEST_CLASS(WinsockTest)
#include "WinsockTest.moc"

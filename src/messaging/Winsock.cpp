#include "messaging/Winsock.h"

#include "core/Logging.h"
#include "core/modText.h"
#include "platform/Platform.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

Winsock::Winsock(QObject *parent) : QObject(parent), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &Winsock::ReadPendingDatagrams);
}

Winsock::~Winsock() = default;

Winsock::BindError Winsock::Bind(const QString &address)
{
    const QHostAddress host = address.isEmpty() ? QHostAddress(QHostAddress::AnyIPv4) : QHostAddress(address);
    if (host.isNull())
        return BindError::Other;
    if (m_socket->bind(host, LocalPort, QAbstractSocket::DontShareAddress)) {
        m_boundAddress = address;
        return BindError::None;
    }
    qCInfo(lcNet) << "bind failed:" << m_socket->errorString();
    return m_socket->error() == QAbstractSocket::AddressInUseError ? BindError::AddressInUse
                                                                   : BindError::Other;
}

bool Winsock::SendData(const QString &text)
{
    const QHostAddress host(RemoteHost);
    if (host.isNull())
        return false;
    const QByteArray bytes = modText::EncodeNarrowest(text);
    const bool sent = m_socket->writeDatagram(bytes, host, RemotePort) == bytes.size();
    if (!sent)
        qCInfo(lcNet) << "not sent to" << RemoteHost << m_socket->errorString();
    return sent;
}

QString Winsock::LocalHostName()
{
    return QHostInfo::localHostName();
}

QString Winsock::MachineAddress()
{
    const QString routed = platform::DefaultRouteAddress();
    if (!routed.isEmpty())
        return routed;
    for (const QHostAddress &candidate : QNetworkInterface::allAddresses())
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol && !candidate.isLoopback())
            return candidate.toString();
    return QStringLiteral("127.0.0.1");
}

QString Winsock::LocalIP() const
{
    return m_boundAddress.isEmpty() ? MachineAddress() : m_boundAddress;
}

void Winsock::ReadPendingDatagrams()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (datagram.isValid())
            emit DataArrival(modText::DecodeBytes(datagram.data()));
    }
}

#pragma once

#include <QObject>
#include <QString>

class QUdpSocket;

// The program's UDP endpoint: one text per datagram, always to RemotePort of
// RemoteHost. Arriving datagrams come out of DataArrival as decoded text.
class Winsock final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Winsock)

public:
    enum class BindError { None, AddressInUse, Other };

    explicit Winsock(QObject *parent = nullptr);
    ~Winsock() override;

    quint16 LocalPort = 1978;
    quint16 RemotePort = 1978;
    // Destination of the next SendData.
    QString RemoteHost;

    // Binds address ("" = every IPv4 address) on LocalPort without sharing it.
    BindError Bind(const QString &address = {});
    // Sends text to RemoteHost:RemotePort; false when it could not be sent.
    bool SendData(const QString &text);

    static QString LocalHostName();
    // The address other hosts most likely reach this computer on: that of the
    // default route, else the first IPv4 address beside loopback, else
    // 127.0.0.1.
    static QString MachineAddress();
    // The bound address, or MachineAddress.
    QString LocalIP() const;

signals:
    void DataArrival(const QString &datagram);

private:
    void ReadPendingDatagrams();

    QUdpSocket *m_socket = nullptr;
    QString m_boundAddress;
};

#pragma once

#include <QString>

class Winsock;

// The program's UDP endpoint.
namespace modEndpoint {

enum class BindResult { Bound, PortInUse, Failed };

// Makes winMenu's Winsock, binds it on BindAddress (or every IPv4 address)
// and UdpPort and routes arriving datagrams to HandleDatagram.
BindResult BindEndpoint();
// The endpoint, or nullptr before BindEndpoint.
Winsock *Endpoint();

} // namespace modEndpoint

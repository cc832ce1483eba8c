#pragma once

// The program's UDP endpoint.
namespace modEndpoint {

enum class BindResult { Bound, PortInUse, Failed };

// Binds the endpoint on BindAddress (or every IPv4 address) and UdpPort.
BindResult BindEndpoint();

} // namespace modEndpoint

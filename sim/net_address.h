// IPv4 addresses and ports as the operator writes them, "A.B.C.D" or "A.B.C.D:PORT".
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

struct Endpoint {
  std::uint32_t ip = 0;  // host order
  std::uint16_t port = 0;
};

std::optional<std::uint32_t> ParseIpv4(std::string_view text);
// The port may be left out, giving default_port.
std::optional<Endpoint> ParseEndpoint(std::string_view text, std::uint16_t default_port);
// The simulator only ever talks on 127.0.0.0/8.
inline bool IsLoopback(std::uint32_t ip) {
  return (ip >> 24) == 127;
}
std::string FormatIpv4(std::uint32_t ip);
std::string FormatEndpoint(const Endpoint& endpoint);
sockaddr_in SocketAddress(const Endpoint& endpoint);
// A non-blocking TCP listener at where (port 0: any free one), with a receive
// buffer of receive_buffer bytes when that is not 0. "" with the socket in
// *listener and the port it got in *bound_port, or the failure (nothing open).
std::string OpenTcpListener(const Endpoint& where, int receive_buffer, int* listener,
                            std::uint16_t* bound_port);

}  // namespace sim

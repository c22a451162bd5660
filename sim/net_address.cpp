#include "sim/net_address.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
  in_addr parsed{};
  if (inet_pton(AF_INET, std::string(text).c_str(), &parsed) != 1) return std::nullopt;
  return ntohl(parsed.s_addr);
}

std::optional<Endpoint> ParseEndpoint(std::string_view text, std::uint16_t default_port) {
  const auto colon = text.find(':');
  const auto ip = ParseIpv4(text.substr(0, colon));
  if (!ip) return std::nullopt;
  Endpoint endpoint{*ip, default_port};
  if (colon == std::string_view::npos) return endpoint;
  const std::string port(text.substr(colon + 1));
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(port.c_str(), &end, 10);
  if (port.empty() || *end != '\0' || errno != 0 || value < 0 || value > 65535) return std::nullopt;
  endpoint.port = static_cast<std::uint16_t>(value);
  return endpoint;
}

std::string FormatIpv4(std::uint32_t ip) {
  return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
         std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF);
}

std::string FormatEndpoint(const Endpoint& endpoint) {
  return FormatIpv4(endpoint.ip) + ":" + std::to_string(endpoint.port);
}

sockaddr_in SocketAddress(const Endpoint& endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(endpoint.ip);
  address.sin_port = htons(endpoint.port);
  return address;
}

std::string OpenTcpListener(const Endpoint& where, int receive_buffer, int* listener,
                            std::uint16_t* bound_port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::string("socket: ") + std::strerror(errno);
  // The port comes back after "refuse" while old connections may still linger.
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (receive_buffer != 0)
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  const sockaddr_in address = SocketAddress(where);
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  std::string error;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error = "bind " + FormatEndpoint(where) + ": " + std::strerror(errno);
  } else if (listen(fd, 4) != 0) {
    error = std::string("listen: ") + std::strerror(errno);
  } else if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
    error = std::string("getsockname: ") + std::strerror(errno);
  }
  if (!error.empty()) {
    close(fd);
    return error;
  }
  *listener = fd;
  *bound_port = ntohs(bound.sin_port);
  return "";
}

}  // namespace sim

#include "sim/net_address.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cstdlib>

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

}  // namespace sim

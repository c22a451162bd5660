#include "link/discovery.h"

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/socket.h"

ethernet_action_enum ethernet_action = ETHERNET_DEFAULT;
UDP_DBG_HEADER udp_info = {};

namespace {

constexpr const char* override_variable = "CORVANE_DISCOVERY_ADDRESS";
constexpr std::uint32_t broadcast_address = 0xFFFFFFFFu;
constexpr int discovery_drain_ms = 250;

using Clock = std::chrono::steady_clock;

platform::SocketHandle discovery_socket = platform::invalid_socket;
Clock::time_point request_time;

int ParseDestination(const char* text, std::uint32_t* address, int* port) {
  char host[16];
  const char* colon = std::strchr(text, ':');
  const std::size_t host_length =
      colon ? static_cast<std::size_t>(colon - text) : std::strlen(text);
  if (host_length == 0 || host_length >= sizeof host) return 0;
  std::memcpy(host, text, host_length);
  host[host_length] = '\0';
  platform::Ipv4 parsed = 0;
  if (!platform::ParseIpv4(host, &parsed)) return 0;
  int parsed_port = discovery_port;
  if (colon) {
    char* end = nullptr;
    const long value = std::strtol(colon + 1, &end, 10);
    if (end == colon + 1 || *end != '\0' || value < 1 || value > 65535) return 0;
    parsed_port = static_cast<int>(value);
  }
  *address = parsed;
  *port = parsed_port;
  return 1;
}

}  // namespace

const char* DiscoveryOverrideText() {
  const char* text = std::getenv(override_variable);
  return text ? text : "";
}

int DiscoveryDestination(std::uint32_t* address, int* port) {
  const char* text = std::getenv(override_variable);
  if (!text) {
    *address = broadcast_address;
    *port = discovery_port;
    return 1;
  }
  return ParseDestination(text, address, port);
}

int OpenDiscoverySocket() {
  CloseDiscoverySocket();
  const platform::SocketHandle socket = platform::OpenUdpSocket();
  if (socket == platform::invalid_socket) return 0;
  if (!platform::SetNonBlocking(socket) || !platform::SetBroadcast(socket)) {
    platform::CloseSocket(socket);
    return 0;
  }
  discovery_socket = socket;
  return 1;
}

int SendDiscoveryRequest() {
  request_time = Clock::now();
  if (discovery_socket == platform::invalid_socket) return 0;
  std::uint32_t address = 0;
  int port = 0;
  if (!DiscoveryDestination(&address, &port)) return -1;
  udp_info.cmd = 1;
  udp_info.length = 0;
  const int sent =
      platform::SendTo(discovery_socket, reinterpret_cast<const unsigned char*>(&udp_info),
                       discovery_request_size, address, static_cast<std::uint16_t>(port));
  return sent == discovery_request_size ? 1 : 0;
}

int ReadDiscoveryReply(std::uint32_t* source) {
  if (discovery_socket == platform::invalid_socket) return 0;
  // Replies are taken as they come, so that many devices cannot overflow the
  // socket's queue meanwhile; the search still ends when its time is up.
  const auto waited =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - request_time);
  const int left = discovery_wait_ms - static_cast<int>(waited.count());
  // What is queued when the time is up is still read, but a device that keeps
  // sending cannot hold the search beyond a short drain.
  if (left < -discovery_drain_ms) return 0;
  unsigned char datagram[sizeof udp_info];
  platform::Ipv4 from = 0;
  const int length = platform::ReceiveFrom(discovery_socket, datagram, sizeof datagram,
                                           left > 0 ? left : 0, &from, nullptr);
  if (length <= 0) return length;
  // Only what arrived counts: a short reply never shows an earlier one's text.
  std::memcpy(&udp_info, datagram, static_cast<std::size_t>(length));
  std::memset(reinterpret_cast<unsigned char*>(&udp_info) + length, 0,
              sizeof udp_info - static_cast<std::size_t>(length));
  *source = from;
  return length;
}

void CloseDiscoverySocket() {
  if (discovery_socket != platform::invalid_socket) platform::CloseSocket(discovery_socket);
  discovery_socket = platform::invalid_socket;
}

int ReplyDescriptionLength(int length) {
  const int offset = static_cast<int>(offsetof(UDP_DBG_HEADER, data));
  if (length <= offset) return 0;
  const int carried = length - offset;
  const void* zero = std::memchr(udp_info.data, 0, static_cast<std::size_t>(carried));
  return zero ? static_cast<int>(static_cast<const char*>(zero) - udp_info.data) : carried;
}

#include "sim/discovery_responder.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim {

namespace {

// A UDP socket bound to `where`; -1 with `error` set on failure.
int BoundSocket(const Endpoint& where, std::string* error) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  const sockaddr_in address = SocketAddress(where);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    *error = "bind " + FormatEndpoint(where) + ": " + std::strerror(errno);
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string DiscoveryReply(std::uint32_t ip, const std::string& description) {
  const std::string data = description.substr(0, discovery_data_size - 1) + '\0';
  std::string reply(discovery_header_size, '\0');
  reply[0] = static_cast<char>(discovery_request);
  reply[2] = static_cast<char>(data.size() & 0xFF);
  reply[3] = static_cast<char>(data.size() >> 8);
  for (int i = 0; i < 4; ++i) reply[4 + i] = static_cast<char>(ip >> (24 - 8 * i));
  return reply + data;
}

DiscoveryResponder::~DiscoveryResponder() {
  if (listener_ >= 0) close(listener_);
  for (const int fd : senders_) close(fd);
}

std::string DiscoveryResponder::Open(const Endpoint& where,
                                     const std::vector<std::uint32_t>& device_ips) {
  std::string error;
  listener_ = BoundSocket(where, &error);
  if (listener_ < 0) return error;
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length);
  where_ = {where.ip, ntohs(bound.sin_port)};
  for (const std::uint32_t ip : device_ips) {
    const int fd = BoundSocket({ip, 0}, &error);
    if (fd < 0) return error;
    senders_.push_back(fd);
    ips_.push_back(ip);
  }
  return "";
}

void DiscoveryResponder::Serve(const Describe& describe) {
  for (;;) {
    char request[discovery_header_size + discovery_data_size];
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    const ssize_t count = recvfrom(listener_, request, sizeof request, MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&from), &from_length);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return;
    // Only a discovery request is answered, and only on this machine; anything else on the
    // port is ignored.
    if (!IsLoopback(ntohl(from.sin_addr.s_addr)) ||
        static_cast<std::size_t>(count) < discovery_header_size ||
        static_cast<std::uint8_t>(request[0]) != discovery_request)
      continue;
    for (std::size_t i = 0; i < senders_.size(); ++i) {
      const auto description = describe(i);
      if (!description) continue;
      const std::string reply = DiscoveryReply(ips_[i], *description);
      sendto(senders_[i], reply.data(), reply.size(), MSG_DONTWAIT,
             reinterpret_cast<const sockaddr*>(&from), from_length);
    }
  }
}

}  // namespace sim

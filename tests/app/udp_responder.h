// Devices answering a discovery request, for tests: a listener on a loopback
// address that, once the request comes, answers from each device's own
// loopback address in order. It runs on a thread because the console waits
// for the answers without running anything else.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

struct FakeReply {
  std::string from;   // loopback address the reply comes from
  std::string bytes;  // the whole datagram
};

// A discovery reply: the 8-byte header, then the description and its zero.
inline std::string DescriptionReply(const std::string& description) {
  return std::string("\x01\x00\x00\x00\x00\x00\x00\x00", 8) + description + std::string(1, '\0');
}

class UdpResponder {
 public:
  // Sets CORVANE_DISCOVERY_ADDRESS to the listener before anything can send.
  explicit UdpResponder(std::vector<FakeReply> replies) : replies_(std::move(replies)) {
    listener_ = Bound("127.0.0.1");
    sockaddr_in local{};
    socklen_t size = sizeof local;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &size);
    const std::string target = "127.0.0.1:" + std::to_string(ntohs(local.sin_port));
    setenv("CORVANE_DISCOVERY_ADDRESS", target.c_str(), 1);
    thread_ = std::thread([this] { Serve(); });
  }
  ~UdpResponder() {
    thread_.join();
    close(listener_);
  }
  UdpResponder(const UdpResponder&) = delete;
  UdpResponder& operator=(const UdpResponder&) = delete;

  // What the console sent (read after the search).
  const std::string& Request() const { return request_; }

 private:
  static int Bound(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&endpoint), sizeof endpoint);
    return fd;
  }

  void Serve() {
    pollfd ready{listener_, POLLIN, 0};
    if (poll(&ready, 1, 3000) != 1) return;
    char buffer[512];
    sockaddr_in console{};
    socklen_t size = sizeof console;
    const ssize_t count =
        recvfrom(listener_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&console), &size);
    if (count < 0) return;
    request_.assign(buffer, static_cast<std::size_t>(count));
    for (const FakeReply& reply : replies_) {
      const int fd = Bound(reply.from);
      sendto(fd, reply.bytes.data(), reply.bytes.size(), 0, reinterpret_cast<sockaddr*>(&console),
             sizeof console);
      close(fd);
    }
  }

  std::vector<FakeReply> replies_;
  int listener_ = -1;
  std::string request_;
  std::thread thread_;
};

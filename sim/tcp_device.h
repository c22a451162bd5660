// One device on the network: it listens on its own address and serves one connection at a
// time with the same commands as on the bus. Tests can make it hang up, refuse connections
// or keep quiet on an open one.
#pragma once

#include <poll.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/clock.h"
#include "sim/device.h"
#include "sim/fault_injector.h"
#include "sim/link.h"
#include "sim/net_address.h"
#include "sim/transport.h"

namespace sim {

// A connected TCP socket as the stream a link reads and writes.
class TcpConnection : public Transport {
 public:
  explicit TcpConnection(int fd) : fd_(fd) {}
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;
  ~TcpConnection() override;
  int Fd() const override { return fd_; }
  // idle once the peer has closed or the connection failed.
  ReadResult Read(std::string* bytes) override;
  std::size_t Write(std::string_view bytes) override;

 private:
  int fd_;
};

class TcpDevice {
 public:
  using CodecMaker = std::function<std::unique_ptr<FrameCodec>()>;
  enum class Mode { normal, refuse, mute };

  TcpDevice(Device& device, std::uint32_t ip, CodecMaker make_codec, FaultInjector& faults);
  TcpDevice(const TcpDevice&) = delete;
  TcpDevice& operator=(const TcpDevice&) = delete;
  ~TcpDevice();
  // Port 0 takes any free one. An error text, empty on success.
  std::string Listen(std::uint16_t port);
  Endpoint Where() const { return {ip_, port_}; }
  // "close", "refuse", "mute" or "normal"; an error text, empty on success.
  std::string Control(std::string_view action);
  // e.g. "127.0.0.10:2000 normal connected"
  std::string State() const;

  void AddPollFds(std::vector<pollfd>* fds, Clock::time_point now) const;
  void Serve(const std::vector<pollfd>& fds, Clock::time_point now);
  void Send(Clock::time_point now);
  std::optional<Clock::time_point> NextDue() const;

 private:
  void Accept();
  void HangUp();
  void StopListening();

  Device& device_;
  const std::uint32_t ip_;
  std::uint16_t port_ = 0;
  CodecMaker make_codec_;
  FaultInjector& faults_;
  Mode mode_ = Mode::normal;
  int listener_ = -1;
  std::unique_ptr<TcpConnection> connection_;
  std::unique_ptr<Link> link_;
};

}  // namespace sim

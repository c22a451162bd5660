// A device's file-upload port: one connection at a time carries "2002,COUNT:NAME>", then
// COUNT bytes counted from NAME (the name, ">" and the file), then CR LF. A whole file goes
// to the device, which uses it at its next restart. Tests can make the port refuse, accept
// and never read, or read slowly.
#pragma once

#include <poll.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/clock.h"
#include "sim/device.h"
#include "sim/tcp_device.h"

namespace sim {

class UploadPort {
 public:
  UploadPort(Device& device, std::uint32_t ip) : device_(device), ip_(ip) {}
  UploadPort(const UploadPort&) = delete;
  UploadPort& operator=(const UploadPort&) = delete;
  ~UploadPort();
  // Port 0 takes any free one. An error text, empty on success.
  std::string Listen(std::uint16_t port);
  std::uint16_t Port() const { return port_; }
  // "normal", "refuse", "mute", "slow BYTES" (read per 100 ms) or "close"; an error text.
  std::string Control(std::string_view action);
  // e.g. "127.0.0.10:2003 normal waiting uploads=1 last=complete header=2002,32:
  // name=Model.cfg count=32 trailer=\x0D\x0A": what the last upload carried, count being
  // the bytes after the header.
  std::string State() const;
  // The file of the last upload, escaped.
  std::string File() const;

  void AddPollFds(std::vector<pollfd>* fds, Clock::time_point now) const;
  void Serve(const std::vector<pollfd>& fds, Clock::time_point now);
  std::optional<Clock::time_point> NextWake() const;

 private:
  enum class Mode { normal, refuse, mute, slow };
  void Accept();
  void Take(std::string_view bytes);
  void HangUp();
  void StopListening();

  Device& device_;
  const std::uint32_t ip_;
  std::uint16_t port_ = 0;
  Mode mode_ = Mode::normal;
  int slow_bytes_ = 0;
  Clock::time_point next_read_{};
  int listener_ = -1;
  std::unique_ptr<TcpConnection> connection_;

  long uploads_ = 0;
  std::string status_ = "none";
  std::string header_;
  long count_ = -1;  // announced; -1 until the header is whole
  std::string body_;
  std::string name_;
  std::string trailer_;
  std::string file_;
};

}  // namespace sim

// The devices on the network: each on its own loopback address with a TCP port, and the
// responder that answers discovery requests for all of them.
#pragma once

#include <poll.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/clock.h"
#include "sim/discovery_responder.h"
#include "sim/link.h"
#include "sim/options.h"
#include "sim/tcp_device.h"
#include "sim/upload_port.h"

namespace sim {

class Network {
 public:
  Network(Devices& devices, FaultInjector& faults, TcpDevice::CodecMaker make_codec)
      : devices_(devices), faults_(faults), make_codec_(std::move(make_codec)) {}
  // Opens what the options ask for (nothing without --tcp). An error text, empty on success.
  std::string Start(const Options& options);
  // "port=2000 discovery=127.0.0.1:2000 A=127.0.0.10 ...": empty without a network.
  std::string Summary() const;
  // The network side of the device at a poll address or IPv4 address; null when none.
  TcpDevice* Find(std::string_view address);
  UploadPort* FindUpload(std::string_view address);
  // What the device at `address` says of itself in discovery replies.
  std::string SetDescription(std::string_view address, std::string_view text);

  void AddPollFds(std::vector<pollfd>* fds, Clock::time_point now) const;
  void Serve(const std::vector<pollfd>& fds, Clock::time_point now);
  void Send(Clock::time_point now);
  // The first time after `now` when a queued answer falls due; nothing when none does.
  std::optional<Clock::time_point> NextDueAfter(Clock::time_point now) const;

 private:
  struct Member {
    std::uint8_t address;  // as at the start; an address set on the bus leaves it
    Device* device;
    std::string description;
    std::unique_ptr<TcpDevice> tcp;
    std::unique_ptr<UploadPort> upload;
  };
  std::string ListenAll(std::uint16_t port);
  std::string ListenUploads(std::uint16_t port);
  Member* FindMember(std::string_view address);

  Devices& devices_;
  FaultInjector& faults_;
  TcpDevice::CodecMaker make_codec_;
  std::vector<Member> members_;  // in poll address order, the order of discovery replies
  std::unique_ptr<DiscoveryResponder> discovery_;
};

}  // namespace sim

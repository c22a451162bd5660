// Answers the console's discovery datagram: one reply per device, each sent from that
// device's own address, so the console learns the address from the reply's source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/net_address.h"

namespace sim {

// The datagram's layout: cmd, status, 16-bit length, 32-bit address, then the data.
constexpr std::size_t discovery_header_size = 8;
constexpr std::size_t discovery_data_size = 256;
constexpr std::uint8_t discovery_request = 1;

// The reply of a device at `ip`: the description, cut to fit, ends with a zero byte; length
// counts the data sent, little-endian; address holds `ip` in network order.
std::string DiscoveryReply(std::uint32_t ip, const std::string& description);

class DiscoveryResponder {
 public:
  // The description for device `index`, or nothing while it keeps quiet.
  using Describe = std::function<std::optional<std::string>(std::size_t index)>;

  DiscoveryResponder() = default;
  DiscoveryResponder(const DiscoveryResponder&) = delete;
  DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;
  ~DiscoveryResponder();
  // Listens at `where` (port 0: any free one) and opens a reply socket on each device
  // address. An error text, empty on success.
  std::string Open(const Endpoint& where, const std::vector<std::uint32_t>& device_ips);
  Endpoint Where() const { return where_; }
  int Fd() const { return listener_; }
  // Answers every request waiting, the devices in the order given to Open.
  void Serve(const Describe& describe);

 private:
  int listener_ = -1;
  Endpoint where_;
  std::vector<int> senders_;
  std::vector<std::uint32_t> ips_;
};

}  // namespace sim

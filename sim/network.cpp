#include "sim/network.h"

#include "sim/poll_address.h"

namespace sim {

namespace {

// With port 0 the first device takes a free port and the others try the same one, so one
// port setting in the console reaches every device; a few fresh tries when one is taken.
constexpr int shared_port_tries = 10;

// As the command line takes it: the character itself, or two hexadecimal digits.
std::string AddressWord(std::uint8_t address) {
  if (address > ' ' && address < 0x7F && address != '=') return std::string(1, char(address));
  const char digits[] = "0123456789ABCDEF";
  return {digits[address >> 4], digits[address & 0xF]};
}

}  // namespace

std::string Network::Start(const Options& options) {
  if (!options.tcp) return "";
  std::uint32_t ip = options.ip_base;
  std::vector<std::uint32_t> ips;
  for (auto& [address, device] : devices_) {
    members_.push_back({address, device.get(),
                        "Simulated " + std::string(device->KindName()) + " " + AddressWord(address),
                        std::make_unique<TcpDevice>(*device, ip, make_codec_, faults_),
                        std::make_unique<UploadPort>(*device, ip)});
    ips.push_back(ip++);
  }
  std::string error;
  for (int tries = 0; tries < shared_port_tries; ++tries) {
    error = ListenAll(options.tcp_port);
    if (error.empty() || options.tcp_port != 0) break;
  }
  // Tests that take any free command port must not collide on the upload port either.
  const std::uint16_t upload_port = options.upload_port     ? *options.upload_port
                                    : options.tcp_port == 0 ? 0
                                                            : 2003;
  for (int tries = 0; tries < shared_port_tries && error.empty(); ++tries) {
    error = ListenUploads(upload_port);
    if (error.empty() || upload_port != 0) break;
  }
  if (!error.empty() || !options.discovery) return error;
  discovery_ = std::make_unique<DiscoveryResponder>();
  return discovery_->Open(*options.discovery, ips);
}

std::string Network::ListenAll(std::uint16_t port) {
  for (Member& member : members_) {
    const std::string error = member.tcp->Listen(port);
    if (!error.empty()) return error;
    port = member.tcp->Where().port;
  }
  return "";
}

std::string Network::ListenUploads(std::uint16_t port) {
  for (Member& member : members_) {
    const std::string error = member.upload->Listen(port);
    if (!error.empty()) return error;
    port = member.upload->Port();
  }
  return "";
}

std::string Network::Summary() const {
  if (members_.empty()) return "";
  std::string summary = "port=" + std::to_string(members_.front().tcp->Where().port) +
                        " upload=" + std::to_string(members_.front().upload->Port());
  if (discovery_) summary += " discovery=" + FormatEndpoint(discovery_->Where());
  for (const Member& member : members_)
    summary += " " + AddressWord(member.address) + "=" + FormatIpv4(member.tcp->Where().ip);
  return summary;
}

Network::Member* Network::FindMember(std::string_view address) {
  const auto ip = ParseIpv4(address);
  const auto poll_address = ip ? std::nullopt : ParsePollAddress(address);
  for (Member& member : members_) {
    if (ip ? member.tcp->Where().ip == *ip : poll_address == member.address) return &member;
  }
  return nullptr;
}

TcpDevice* Network::Find(std::string_view address) {
  Member* member = FindMember(address);
  return member ? member->tcp.get() : nullptr;
}

UploadPort* Network::FindUpload(std::string_view address) {
  Member* member = FindMember(address);
  return member ? member->upload.get() : nullptr;
}

std::string Network::SetDescription(std::string_view address, std::string_view text) {
  Member* member = FindMember(address);
  if (member == nullptr) return "no network device at " + std::string(address);
  member->description = text;
  return "";
}

void Network::AddPollFds(std::vector<pollfd>* fds, Clock::time_point now) const {
  for (const Member& member : members_) {
    member.tcp->AddPollFds(fds, now);
    member.upload->AddPollFds(fds, now);
  }
  if (discovery_) fds->push_back({discovery_->Fd(), POLLIN, 0});
}

void Network::Serve(const std::vector<pollfd>& fds, Clock::time_point now) {
  for (Member& member : members_) {
    member.tcp->Serve(fds, now);
    member.upload->Serve(fds, now);
  }
  if (!discovery_) return;
  for (const pollfd& fd : fds) {
    if (fd.fd != discovery_->Fd() || fd.revents == 0) continue;
    // A silent or restarting device does not answer discovery either.
    discovery_->Serve([this, now](std::size_t index) -> std::optional<std::string> {
      const Member& member = members_[index];
      const Device& device = *member.device;
      std::string silent, restarting;
      device.Get("silent", now, &silent);
      device.Get("restarting", now, &restarting);
      if (silent == "on" || restarting == "on") return std::nullopt;
      return member.description;
    });
  }
}

void Network::Send(Clock::time_point now) {
  for (Member& member : members_) member.tcp->Send(now);
}

std::optional<Clock::time_point> Network::NextDueAfter(Clock::time_point now) const {
  std::optional<Clock::time_point> first;
  for (const Member& member : members_) {
    for (const auto due : {member.tcp->NextDue(), member.upload->NextWake()}) {
      if (due && *due > now && (!first || *due < *first)) first = due;
    }
  }
  return first;
}

}  // namespace sim

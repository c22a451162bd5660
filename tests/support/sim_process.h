// Runs corvane-sim as a separate process for a test: its bus link and control socket live in
// a fresh temporary directory, removed when it stops.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

class SimProcess {
 public:
  SimProcess();
  ~SimProcess();  // destructor stops it
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // starts corvane-sim with args, adding --link <tmpdir>/bus and
  // --control <tmpdir>/control itself; waits for "ready" (timeout 10 s)
  bool Start(const std::vector<std::string>& args, std::string* error = nullptr);
  const std::string& LinkPath() const;
  // The network side, with --tcp and friends: the TCP port every device listens on (0
  // without), a device's IPv4 address by poll address ("" when it has none), and where
  // discovery requests are answered ("" without --discovery).
  int TcpPort() const { return tcp_port_; }
  std::string DeviceAddress(std::uint8_t poll_address) const;
  const std::string& DiscoveryAddress() const { return discovery_address_; }
  int DiscoveryPort() const;
  std::string Control(const std::string& command);  // one line answer

  // An amplifier's Model.cfg, byte for byte: the file as it stands, replaced whole, and the
  // text the next "Y0" answer carries (between the kind letter and the closing zero; it
  // differs from the file under a "Y0" fault). Nothing, or false, when the simulator
  // refuses or has no amplifier there.
  std::optional<std::string> ModelCfg(std::uint8_t address);
  bool SetModelCfg(std::uint8_t address, const std::string& bytes);
  std::optional<std::string> Y0Text(std::uint8_t address);
  // How many "Y0" commands the amplifier answered or met a fault on; -1 when it cannot say.
  int Y0Count(std::uint8_t address);
  // Every "Y1" command body the amplifier received, oldest first, "Y1" included.
  std::optional<std::vector<std::string>> Y1Bodies(std::uint8_t address);
  // From the from-th "Y1" after this call on (1 = the next one), the amplifier stays silent
  // or answers NAK, and stores nothing; none answers and stores again.
  enum class Y1Fault { none, silent, nak };
  bool SetY1Fault(std::uint8_t address, Y1Fault fault, int from = 1);
  // The "Y0" answer: whole (none), a frame under six bytes, a frame over 3000 bytes, or the
  // file followed by a line of NULs and bytes 0x80 to 0xFF.
  enum class Y0Fault { none, short_reply, oversize, binary };
  bool SetY0Fault(std::uint8_t address, Y0Fault fault);
  pid_t Pid() const { return pid_; }
  void Stop();
  bool Running();

 private:
  bool WaitReady(std::string* error);
  bool ReadNetwork(std::string* error);
  std::optional<std::string> Field(std::uint8_t address, const std::string& field);

  pid_t pid_ = -1;
  int output_ = -1;  // the simulator's stdout
  std::string directory_;
  std::string link_path_;
  std::string control_path_;
  int tcp_port_ = 0;
  std::string discovery_address_;
  std::map<std::uint8_t, std::string> device_addresses_;
};

}  // namespace test_support

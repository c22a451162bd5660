// Runs corvane-sim as a separate process for a test: its bus link and control socket live in
// a fresh temporary directory, removed when it stops.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
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
  pid_t Pid() const { return pid_; }
  void Stop();
  bool Running();

 private:
  bool WaitReady(std::string* error);
  bool ReadNetwork(std::string* error);

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

// The console's side of the simulated bus for the tests: opens the line, frames commands in
// either family and reads answer frames back. Written from the frame formats, independent of
// the console's own link code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim_test {

enum class Family { tessary, quillon };

struct Reply {
  std::string raw;       // the whole frame, its first byte at 0
  bool refused = false;  // Tessary NAK
  bool checksum_ok = false;
  std::uint8_t address = 0;
  std::string body;
};

std::string Frame(Family family, std::uint8_t address, std::string_view body);
// A connected loopback socket that never blocks, as the client expects, or -1 with errno
// from connect.
int ConnectTcp(const std::string& ip, int port);

class BusClient {
 public:
  explicit BusClient(const std::string& path, Family family = Family::tessary);
  // Any open byte stream, a TCP connection for one; the client closes it.
  explicit BusClient(int fd, Family family = Family::tessary) : fd_(fd), family_(family) {}
  ~BusClient();
  BusClient(const BusClient&) = delete;
  BusClient& operator=(const BusClient&) = delete;
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  void Write(std::string_view bytes);
  // The next answer frame, skipping bytes before its start; nothing within timeout_ms.
  std::optional<Reply> Read(int timeout_ms = 1000);
  std::optional<Reply> Ask(std::uint8_t address, std::string_view body, int timeout_ms = 1000);
  // Every byte that arrives within msec.
  std::string Drain(int msec);
  // Bytes skipped before the last answer's start.
  const std::string& Skipped() const { return skipped_; }

 private:
  bool ReadByte(int timeout_ms, char* byte);
  int fd_ = -1;
  Family family_;
  std::string skipped_;
};

}  // namespace sim_test

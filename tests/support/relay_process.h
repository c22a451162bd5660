// Runs corvane-relay for a test or a bench: a serial line paced at a given rate between two
// ends, each a new pseudo-terminal or an existing device, that can lose chosen bytes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

// Loses one byte going one way: the nth byte of that direction, or with `value` the nth byte
// equal to it; only bytes after the first `after` of the direction count. "The ACK of the
// third block" is {RelayDrop::b_to_a, 0x06, 3} when the receiver sits on end b.
struct RelayDrop {
  enum Direction { a_to_b, b_to_a };
  Direction direction = a_to_b;
  std::optional<std::uint8_t> value;
  long nth = 1;
  long after = 0;
};

struct RelayOptions {
  long rate = 9600;           // bits per second; 0 passes bytes on unpaced
  std::string frame = "8N1";  // start, data, parity and stop bits make a character's time
  std::string a_path;         // empty: a new pseudo-terminal
  std::string b_path;
  std::vector<RelayDrop> drops;
};

class RelayProcess {
 public:
  RelayProcess() = default;
  ~RelayProcess();  // destructor stops it
  RelayProcess(const RelayProcess&) = delete;
  RelayProcess& operator=(const RelayProcess&) = delete;

  // Starts the relay and waits for its ends (timeout 10 s).
  bool Start(const RelayOptions& options, std::string* error = nullptr);
  // The device paths of both ends, to open as serial ports.
  const std::string& PathA() const { return path_a_; }
  const std::string& PathB() const { return path_b_; }
  // How many bytes the relay has lost so far, waiting up to timeout_ms for more than
  // `at_least` to be reported.
  int Dropped(int at_least = 0, int timeout_ms = 0);
  pid_t Pid() const { return pid_; }
  void Stop();

 private:
  bool ReadLine(int timeout_ms, std::string* line);

  pid_t pid_ = -1;
  int output_ = -1;
  std::string pending_;
  std::string path_a_;
  std::string path_b_;
  int dropped_ = 0;
};

}  // namespace test_support

// A socket pair standing in for the serial line: the console's end is the
// port handle, the test plays the device on the other.
#pragma once

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "records/device_records.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/framing.h"
#include "link/link_settings.h"
#include "link/wserial.h"

class FakeLine {
 public:
  FakeLine() {
    socketpair(AF_UNIX, SOCK_STREAM, 0, ends_);
    fcntl(ends_[0], F_SETFL, O_NONBLOCK);
    fcntl(ends_[1], F_SETFL, O_NONBLOCK);
    ResetSettings();
    ResetLinkSettings();
    CloseSerial();
    serial_device = ends_[0];
    std::memset(protocol_state, 0, sizeof protocol_state);
    std::memset(pending_command, 0, sizeof pending_command);
    response_pending = -1;
  }
  ~FakeLine() {
    // CloseSerial also forgets bytes read but not yet taken.
    CloseSerial();
    close(ends_[1]);
    ResetSettings();
    ResetLinkSettings();
  }
  void Feed(const std::string& bytes) const {
    if (!bytes.empty()) (void)!write(ends_[1], bytes.data(), bytes.size());
  }
  // What the console wrote since the last call.
  std::string Sent() const {
    std::string all;
    char bytes[512];
    ssize_t count;
    while ((count = read(ends_[1], bytes, sizeof bytes)) > 0) all.append(bytes, count);
    return all;
  }
  int DeviceEnd() const { return ends_[1]; }

 private:
  int ends_[2] = {-1, -1};
};

// A Tessary answer: ACK, address, body, ETX and the XOR of all before it.
inline std::string TessaryAnswer(char address, const std::string& body, char start = 0x06) {
  std::string frame = std::string(1, start) + address + body + '\x03';
  char sum = 0;
  for (char c : frame) sum ^= c;
  return frame + sum;
}

// A Quillon answer: STX, length, address, body, sum of address and body, ETX.
inline std::string QuillonAnswer(char address, const std::string& body) {
  std::string frame = std::string("\x02") + static_cast<char>(body.size() + 5) + address + body;
  unsigned char sum = 0;
  for (std::size_t n = 2; n < frame.size(); ++n) sum += static_cast<unsigned char>(frame[n]);
  return frame + static_cast<char>(sum) + '\x03';
}

inline std::string Captured(int device = 0) {
  const protocol_struct& p = ProtocolBuffer(device);
  const int count = p.receive_count;
  return std::string(reinterpret_cast<const char*>(p.response_buf), count > 0 ? count : 0);
}

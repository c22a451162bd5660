// Feeds arbitrary byte streams to the answer capture of both families, in
// arbitrary pieces, over a socket pair standing in for the serial line and
// over a stand-in Ethernet connection.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "config/settings.h"
#include "link/capture.h"
#include "link/console.h"
#include "link/ethernet_path.h"
#include "link/frame_bytes.h"
#include "link/link_settings.h"
#include "link/wserial.h"

namespace {

int device_end = -1;
const std::uint8_t* ethernet_bytes = nullptr;
std::size_t ethernet_left = 0;

const ethernet_path fake_ethernet{
    [](int) { return 1; },
    [](int, const unsigned char*, int, int) {},
    [](unsigned char* ch, int) {
      if (ethernet_left == 0) return 0;
      *ch = *ethernet_bytes++;
      --ethernet_left;
      return 1;
    },
    [](int, int) { return ethernet_left ? 1 : 0; },
};

void OpenLine() {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) std::abort();
  fcntl(ends[0], F_SETFL, O_NONBLOCK);
  serial_device = ends[0];
  device_end = ends[1];
  SetEthernetPath(&fake_ethernet);
}

void CheckBuffer(int device, int verdict) {
  const protocol_struct& p = ProtocolBuffer(device);
  const int count = p.receive_count;
  if (count < 0 || count >= response_buffer_size) std::abort();
  if (!verdict) return;
  if (quillon_protocol) {
    if (count < 3 || count > 127 || p.response_buf[0] != STX || p.response_buf[count - 1] != ETX) {
      std::abort();
    }
  } else if (count < 3 || p.response_buf[0] != ACK) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (device_end < 0) OpenLine();
  if (size < 2 || size > 16384) return 0;
  const std::uint8_t mode = data[0];
  const std::size_t piece = data[1] ? data[1] : 256;
  data += 2;
  size -= 2;
  quillon_protocol = mode & 1;
  use_ethernet = (mode & 2) ? 1 : 0;
  const bool raw = mode & 4;
  if ((mode & 8) && !debug_console) InitDebugConsole();
  if (!(mode & 8) && debug_console) CloseDebugConsole();
  const int device = (mode & 0x10) ? 'A' : 0xFF;
  // The Quillon capture always reads the serial line; raw reading and the
  // Tessary capture take the device's connection over Ethernet.
  const bool over_ethernet = use_ethernet && (raw || !quillon_protocol);
  std::memset(protocol_state, 0, sizeof protocol_state);
  for (std::size_t at = 0; at < size; at += piece) {
    const std::size_t count = size - at < piece ? size - at : piece;
    if (over_ethernet) {
      ethernet_bytes = data + at;
      ethernet_left = count;
    } else if (write(device_end, data + at, count) != static_cast<ssize_t>(count)) {
      std::abort();
    }
    // Call until the piece is taken up, resetting after each verdict as the
    // poller does, so every frame boundary is exercised.
    for (int calls = 0; calls < 4096; ++calls) {
      if (raw) {
        if (ReadSerial(device) == 0) break;
        CheckBuffer(device, 0);
        ResetReceiver(device);
        continue;
      }
      const int verdict = TrapResponse(device);
      CheckBuffer(device, verdict);
      if (!verdict && !CaptureFinished(device) && !SerialWaitReadable(0) &&
          !(over_ethernet && ethernet_left)) {
        break;
      }
      ResetReceiver(device);
    }
  }
  // Leave nothing behind for the next input.
  unsigned char ch;
  while (ReadSerialChar(&ch)) {
  }
  ethernet_left = 0;
  return 0;
}

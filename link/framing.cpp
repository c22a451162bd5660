#include "link/framing.h"

#include <cstring>

#include "config/settings.h"
#include "link/console.h"
#include "link/ethernet_path.h"
#include "link/frame_bytes.h"
#include "link/link_settings.h"
#include "link/wserial.h"

std::int32_t response_pending = -1;

unsigned char XorChecksum(const unsigned char* buffer, int length) {
  if (length >= 3000) length = 2999;
  unsigned char sum = 0;
  for (int n = 0; n < length; ++n) sum ^= buffer[n];
  return sum;
}

unsigned char QuillonCheckSum(const unsigned char* buffer, int length) {
  if (length > 3000) length = 3000;
  unsigned char sum = 0;
  for (int n = 2; n < length - 2; ++n) sum = static_cast<unsigned char>(sum + buffer[n]);
  return sum;
}

int BuildCommandFrame(int device, const char* body, int length, unsigned char* frame) {
  if (length < 0) length = 0;
  if (length > max_command_body) length = max_command_body;
  const auto address = static_cast<unsigned char>(device);
  int size = 0;
  if (quillon_protocol) {
    frame[size++] = STX;
    frame[size++] = static_cast<unsigned char>(length + 5);
    frame[size++] = address;
    std::memcpy(frame + size, body, static_cast<std::size_t>(length));
    size += length;
    frame[size] = QuillonCheckSum(frame, size + 2);
    frame[size + 1] = ETX;
    return size + 2;
  }
  frame[size++] = STX;
  frame[size++] = address;
  std::memcpy(frame + size, body, static_cast<std::size_t>(length));
  size += length;
  frame[size++] = ETX;
  frame[size] = XorChecksum(frame, size);
  ++size;
  if (use_ethernet) {
    frame[size++] = CR;
    frame[size++] = LF;
  }
  return size;
}

void SendCommand(int device, const char* command_string, int command_length, int send_limit_ms) {
  response_pending = device;
  const int length =
      command_length > 0 ? command_length : static_cast<int>(std::strlen(command_string));
  unsigned char frame[256];
  const int size = BuildCommandFrame(device, command_string, length, frame);
  const bool serial = quillon_protocol || !use_ethernet;
  if (serial) {
    SerialWriteBytes(frame, size);
  } else if (EthernetConnectionGood(device & 0xFF)) {
    EthernetSend(device & 0xFF, frame, size, send_limit_ms);
  }
  Write2Console(console_sent, frame, size);
  if (serial) SerialFlush();
  RestartLinkTimer();
}

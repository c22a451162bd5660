#include "link/capture.h"

#include <cstring>

#include "config/settings.h"
#include "link/console.h"
#include "link/ethernet_path.h"
#include "link/frame_bytes.h"
#include "link/framing.h"
#include "link/link_settings.h"
#include "link/wserial.h"

protocol_struct protocol_state[256];

namespace {

int ReadLinkChar(unsigned char* ch, int device) {
  return use_ethernet ? EthernetReadChar(ch, device & 0xFF) : ReadSerialChar(ch);
}

bool QuillonFrameComplete(const protocol_struct& p) {
  const int length = static_cast<signed char>(p.response_buf[1]);
  return p.receive_count > 2 && p.receive_count == length &&
         p.response_buf[p.receive_count - 1] == ETX;
}

bool HoldsError(const unsigned char* bytes, int count) {
  static constexpr char word[] = "ERROR";
  constexpr int word_length = sizeof word - 1;
  for (int n = 0; n + word_length <= count; ++n) {
    if (std::memcmp(bytes + n, word, word_length) == 0) return true;
  }
  return false;
}

}  // namespace

protocol_struct& ProtocolBuffer(int device) {
  return protocol_state[use_ethernet ? (device & 0xFF) : 0];
}

void ResetReceiver(int device) {
  protocol_struct& p = ProtocolBuffer(device);
  p.response_done = 0;
  p.got_start = 0;
  p.receive_count = 0;
}

int CheckSumError(int device) {
  const protocol_struct& p = ProtocolBuffer(device);
  if (p.receive_count <= 0) return 1;
  return p.response_buf[p.receive_count - 1] != XorChecksum(p.response_buf, p.receive_count - 1);
}

int TrapResponse(int device) {
  if (quillon_protocol) return QuillonTrapResponse(device);
  protocol_struct& p = ProtocolBuffer(device);
  unsigned char ch;
  while (p.response_done < 2 && ReadLinkChar(&ch, device)) {
    Write2Console(console_received, &ch, 1);
    if (p.response_done == 1) {
      // Whatever follows ETX is the checksum, control byte or not.
      p.response_done = 2;
    } else if (ch == STX || ch == ACK || ch == NAK) {
      p.receive_count = 0;
      p.got_start = 1;
    } else if (ch == ETX && p.got_start == 1) {
      p.response_done = 1;
    }
    p.response_buf[p.receive_count++] = ch;
    if (p.receive_count >= response_buffer_size) p.response_done = 2;
  }
  if (p.response_done < 2) return 0;
  if (p.receive_count >= response_buffer_size) {
    p.receive_count = 0;
    return 0;
  }
  // An overflowed capture stays failed, with nothing in it to check.
  if (p.receive_count <= 0) return 0;
  if (p.response_buf[0] != ACK) return 0;
  if (!use_ethernet && CheckSumError(device)) return 0;
  return 1;
}

int QuillonTrapResponse(int device) {
  protocol_struct& p = ProtocolBuffer(device);
  unsigned char ch;
  // A complete frame is not read past: the bytes after it belong to the next.
  while (!QuillonFrameComplete(p) && ReadSerialChar(&ch)) {
    // Shown as the Tessary capture shows it, dropped bytes included.
    Write2Console(console_received, &ch, 1);
    if (p.receive_count != 0 || ch == STX) p.response_buf[p.receive_count++] = ch;
    // The length byte is signed: 0x80 and above announce less than what is here.
    if (p.receive_count > 2 && static_cast<signed char>(p.response_buf[1]) < p.receive_count) {
      p.receive_count = 0;
      return 0;
    }
  }
  if (!QuillonFrameComplete(p)) return 0;
  if (QuillonCheckSum(p.response_buf, p.receive_count) != p.response_buf[p.receive_count - 2]) {
    return 0;
  }
  if (HoldsError(p.response_buf, p.receive_count)) return 0;
  return 1;
}

int CaptureFinished(int device) {
  const protocol_struct& p = ProtocolBuffer(device);
  if (quillon_protocol) return QuillonFrameComplete(p);
  return p.response_done >= 2;
}

int ReadSerial(int device) {
  protocol_struct& p = ProtocolBuffer(device);
  int count = 0;
  unsigned char ch;
  while (p.receive_count < response_buffer_size - 1 && ReadLinkChar(&ch, device)) {
    p.response_buf[p.receive_count++] = ch;
    ++count;
    Write2Console(console_received, &ch, 1);
  }
  return count;
}

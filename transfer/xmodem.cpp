#include "transfer/xmodem.h"

#include <cstdio>
#include <cstring>

#include "link/capture.h"
#include "link/wserial.h"
#include "platform/link_clock.h"
#include "records/program_state.h"
#include "transfer/sequence_host.h"
#include "transfer/transfer_sequence.h"

unsigned char xmodem_buf[200];
int xmodem_block_number = 1;
int xmodem_first_packet = 1;
int xmodem_got_soh = 0;
int xmodem_got_eot = 0;
int xmodem_crc16 = 0;
const char* xmodem_error = "";

namespace {

std::uint16_t ccitt[256];
char complement_text[64];

// The words that make the amplifier's console reboot: each ending keeps its
// own, blanks and escape included, as amplifiers in the field know them.
constexpr char reset_after_file[] = "\x1b \r\nReset\r\n";
constexpr char reset_after_fault[] = "\x1b \r\n Reset\r\n";
constexpr char cancel_receive[] = "\x18\x18\x18\x18\x18\x18 \x1b\r\n Reset\r\n";
constexpr char cancel_send[] = "\x18\x18\x18\x18\x18\x18 \r\n Reset\r\n";

constexpr int receive_silence_msec = 200;
constexpr int partial_packet_msec = 500;
constexpr int receive_retry_limit = 5;
// A sender that keeps sending damaged packets is cut off after as many
// rejections as a sender itself would allow.
constexpr int bad_packet_limit = 10;
// A rejected packet's tail is drained before the NAK, but a peer that never
// falls silent still gets its NAK after this.
constexpr int drain_limit_msec = 1000;
constexpr int start_byte_quiet_msec = 20;
constexpr int start_wait_msec = 1000;
constexpr int start_retry_limit = 3;
constexpr int answer_wait_msec = 2000;
constexpr int nak_limit = 10;

// Receiving: the last accepted block waits here until the next one (or the
// EOT) shows whether it is the file's last, whose 0x1A padding is dropped.
unsigned char held_block[xmodem_block_size];
int held_count = 0;
int bad_packets = 0;
bool draining = false;    // a rejected packet's tail is still arriving
bool at_boundary = true;  // the buffer starts where a packet or EOT may start
std::uint32_t last_arrival = 0;

// Sending.
int nak_run = 0;  // NAKs since the last ACK
bool resent_on_silence = false;
bool eot_sent = false;
bool block_one_acked = false;
bool echo_pending = false;  // the retyped receive command is still being echoed

int PacketSize() {
  return xmodem_crc16 ? 133 : 132;
}

std::uint32_t MsecSinceArrival() {
  if (system_timer_freq == 0) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(GetStartTimer() - last_arrival) *
                                    1000u / static_cast<std::uint32_t>(system_timer_freq));
}

// Reads what has arrived, noting when the last byte came.
void ReadArrived() {
  if (ReadSerial(0) > 0) last_arrival = GetStartTimer();
}

bool Quiet(int msec) {
  return PastTime(msec, pt_start_time.l.upper) &&
         MsecSinceArrival() >= static_cast<std::uint32_t>(msec);
}

void EmptyBuffer() {
  ResetReceiver(0);
  xmodem_got_soh = 0;
  xmodem_got_eot = 0;
}

void DropFront(unsigned char* buf, std::int32_t* count, int dropped) {
  if (dropped >= *count) {
    *count = 0;
    return;
  }
  std::memmove(buf, buf + dropped, static_cast<std::size_t>(*count - dropped));
  *count -= dropped;
}

void SendText(const char* text) {
  SerialSendRaw(text, -1);
}

void ShowStatus(const char* text) {
  SequenceHost().ShowStatus(text);
}

bool WriteHeld(int count) {
  if (count == 0) return true;
  return std::fwrite(held_block, 1, static_cast<std::size_t>(count), target_file) ==
         static_cast<std::size_t>(count);
}

void CancelReceive() {
  SendText(cancel_receive);
  SetTransferSequenceStep(ts_abort);
}

// Two CANs where a packet should start: the sender gave up.
bool SenderCancelled(const protocol_struct& p) {
  for (int n = 0; n + 1 < p.receive_count && p.response_buf[n] != xmodem_soh; ++n) {
    if (p.response_buf[n] == xmodem_can && p.response_buf[n + 1] == xmodem_can) return true;
  }
  return false;
}

// The bytes of a rejected packet may still be arriving: they are drained
// before the NAK, so that none of them is taken for the next packet's start.
void RejectPacket() {
  EmptyBuffer();
  at_boundary = false;
  draining = true;
  if (++bad_packets >= bad_packet_limit) {
    draining = false;
    CancelReceive();
  }
}

void FinishReceive() {
  SerialSendChar(xmodem_ack);
  while (held_count > 0 && held_block[held_count - 1] == xmodem_sub) --held_count;
  const bool written = WriteHeld(held_count);
  held_count = 0;
  const bool closed = std::fclose(target_file) == 0;
  target_file = nullptr;
  if (!written || !closed) {
    SetTransferSequenceStep(ts_abort);
    SendText(reset_after_file);
    return;
  }
  SequenceHost().FileReceived();
  SetTransferSequenceStep(ts_complete);
  SendText(reset_after_file);
}

void AcceptPacket(protocol_struct& p) {
  if (!WriteHeld(held_count)) {
    CancelReceive();
    return;
  }
  std::memcpy(held_block, p.response_buf + 3, xmodem_block_size);
  held_count = xmodem_block_size;
  SerialSendChar(xmodem_ack);
  ProcessPacketHandled(p.response_buf, &p.receive_count);
  at_boundary = true;
  transfer_retries = 0;
  bad_packets = 0;
}

// The first ACK, NAK, "C" or CAN held, or -1.
int FirstAnswer(const protocol_struct& p) {
  for (int n = 0; n < p.receive_count; ++n) {
    const unsigned char ch = p.response_buf[n];
    if (ch == xmodem_ack || ch == xmodem_nak || ch == xmodem_crc_start || ch == xmodem_can)
      return n;
  }
  return -1;
}

void SendNextBlock() {
  const std::size_t got = std::fread(xmodem_buf, 1, xmodem_block_size, target_file);
  if (std::ferror(target_file)) {
    SendText(cancel_send);
    SetTransferSequenceStep(ts_abort);
    return;
  }
  EmptyBuffer();
  if (got == 0) {
    SerialSendChar(xmodem_eot);
    eot_sent = true;
    return;
  }
  std::memset(xmodem_buf + got, xmodem_sub, xmodem_block_size - got);
  XmodemSend();
  char text[1100];
  std::snprintf(text, sizeof text, "Sending %c:%s, block %d", transfer_driveletter,
                transfer_filename, xmodem_block_number);
  ShowStatus(text);
}

}  // namespace

void ResetXmodem() {
  xmodem_block_number = 1;
  xmodem_first_packet = 1;
  xmodem_got_soh = 0;
  xmodem_got_eot = 0;
  held_count = 0;
  bad_packets = 0;
  draining = false;
  at_boundary = true;
  last_arrival = GetStartTimer();
  nak_run = 0;
  resent_on_silence = false;
  eot_sent = false;
  block_one_acked = false;
  echo_pending = false;
}

int XmodemFindPacketStart(unsigned char* buf, std::int32_t* count) {
  if (xmodem_got_soh || xmodem_got_eot) return 1;
  // An EOT counts only alone where a packet could start (a sender waits for
  // its answer): a 0x04 in the tail of a damaged packet or in line noise
  // must not end the file. A sender that is NAKed sends its EOT again.
  if (at_boundary && *count == 1 && buf[0] == xmodem_eot) {
    xmodem_got_eot = 1;
    return 1;
  }
  for (int n = 0; n < *count; ++n) {
    if (buf[n] != xmodem_soh) continue;
    DropFront(buf, count, n);
    xmodem_got_soh = 1;
    return 1;
  }
  return 0;
}

int VerifyXmodemPacket(const unsigned char* packet) {
  // Damage is ruled out first: a damaged packet must never pass for a repeat.
  const unsigned char number = packet[1];
  const unsigned char wanted = static_cast<unsigned char>(255 - number);
  if (packet[2] != wanted) {
    std::snprintf(complement_text, sizeof complement_text,
                  "bad complement, wanted %02Xh, got %02Xh", wanted, packet[2]);
    xmodem_error = complement_text;
    return 0;
  }
  const std::uint16_t check = XmodemChecksum(packet + 3);
  if (!xmodem_crc16) {
    if (packet[131] != check) {
      xmodem_error = "bad 8bit checksum";
      return 0;
    }
  } else if (packet[131] != (check >> 8)) {
    xmodem_error = "bad ccitt HIbyte";
    return 0;
  } else if (packet[132] != (check & 0xFF)) {
    xmodem_error = "bad ccitt LObyte";
    return 0;
  }
  if (number == ((xmodem_block_number - 1) & 0xFF)) {
    xmodem_error = "previous block";
    return 2;
  }
  if (number != (xmodem_block_number & 0xFF)) {
    xmodem_error = "wrong block";
    return 0;
  }
  return 1;
}

void ProcessPacketHandled(unsigned char* buf, std::int32_t* count) {
  DropFront(buf, count, PacketSize());
  xmodem_block_number = (xmodem_block_number + 1) & 0xFF;
  xmodem_got_soh = 0;
  xmodem_got_eot = 0;
}

void XmodemSendPacket(unsigned char block) {
  SerialSendChar(xmodem_soh);
  SerialSendChar(block);
  SerialSendChar(static_cast<unsigned char>(255 - block));
  const std::uint16_t check = XmodemChecksum(xmodem_buf);
  char tail[xmodem_block_size + 2];
  std::memcpy(tail, xmodem_buf, xmodem_block_size);
  int length = xmodem_block_size;
  if (xmodem_crc16) tail[length++] = static_cast<char>(check >> 8);
  tail[length++] = static_cast<char>(check & 0xFF);
  SerialSendRaw(tail, length);
}

void XmodemSend() {
  XmodemSendPacket(static_cast<unsigned char>(xmodem_block_number & 0xFF));
  xmodem_block_number = (xmodem_block_number + 1) & 0xFF;
  xmodem_first_packet = 0;
}

void XmodemResend() {
  XmodemSendPacket(static_cast<unsigned char>((xmodem_block_number - 1) & 0xFF));
}

std::uint16_t XmodemChecksum(const unsigned char* buf) {
  if (xmodem_crc16) return Crc_Ccitt(buf, xmodem_block_size);
  unsigned sum = 0;
  for (int n = 0; n < xmodem_block_size; ++n) sum += buf[n];
  return static_cast<std::uint16_t>(sum & 0xFF);
}

void InitCcitt() {
  for (unsigned i = 0; i < 256; ++i) {
    const unsigned t = i ^ (i >> 4);
    ccitt[i] = static_cast<std::uint16_t>(t ^ (t << 5) ^ (t << 12));
  }
}

std::uint16_t Crc_Ccitt(const unsigned char* ptr, int len) {
  if (ccitt[1] == 0) InitCcitt();
  std::uint16_t crc = 0;
  for (int n = 0; n < len; ++n) {
    crc = static_cast<std::uint16_t>((crc << 8) ^ ccitt[((crc >> 8) ^ ptr[n]) & 0xFF]);
  }
  return crc;
}

void GetFileXmodem() {
  // The receiver always asks for checksum mode, whatever a send chose before.
  xmodem_crc16 = 0;
  protocol_struct& p = ProtocolBuffer(0);
  ReadArrived();
  if (!target_file) {
    // Nothing could take the file: no point in receiving it.
    CancelReceive();
    return;
  }
  if (draining) {
    EmptyBuffer();
    if (!Quiet(receive_silence_msec) && !PastTime(drain_limit_msec, pt_start_time.l.upper)) return;
    draining = false;
    at_boundary = true;
    SerialSendChar(xmodem_nak);
    return;
  }
  if (!xmodem_got_soh && SenderCancelled(p)) {
    EmptyBuffer();
    SetTransferSequenceStep(ts_failed);
    SendText(reset_after_fault);
    return;
  }
  if (!XmodemFindPacketStart(p.response_buf, &p.receive_count)) {
    // A buffer full of noise would stop the reading before the packet's start.
    if (p.receive_count >= response_buffer_size - 1) {
      EmptyBuffer();
      at_boundary = false;
    }
    if (!PastTime(receive_silence_msec, pt_start_time.l.upper)) return;
    EmptyBuffer();
    at_boundary = true;
    if (++transfer_retries < receive_retry_limit) {
      SerialSendChar(xmodem_nak);
      return;
    }
    CancelReceive();
    return;
  }
  if (xmodem_got_eot) {
    FinishReceive();
    return;
  }
  const int size = PacketSize();
  if (p.receive_count >= size) {
    // A sender waits for the answer: anything behind a packet other than
    // the start of its repeat means the packet is not what it seems.
    const bool alone = p.receive_count == size || p.response_buf[size] == xmodem_soh;
    const int verdict = alone ? VerifyXmodemPacket(p.response_buf) : 0;
    if (verdict == 1) {
      AcceptPacket(p);
    } else if (verdict == 2) {
      // Its ACK was lost: without a new one the sender repeats it until it gives up.
      SerialSendChar(xmodem_ack);
      DropFront(p.response_buf, &p.receive_count, size);
      xmodem_got_soh = 0;
      at_boundary = true;
      transfer_retries = 0;
    } else {
      RejectPacket();
    }
    return;
  }
  if (!Quiet(partial_packet_msec)) return;
  // A short packet: its bytes are not coming back.
  EmptyBuffer();
  at_boundary = true;
  if (++transfer_retries < receive_retry_limit) {
    SerialSendChar(xmodem_nak);
    return;
  }
  CancelReceive();
}

void SendFileStep() {
  protocol_struct& p = ProtocolBuffer(0);
  if (transfer_retries == 0) echo_pending = false;
  ReadArrived();
  for (int n = 0; n < p.receive_count; ++n) {
    if (p.response_buf[n] != xmodem_can) continue;
    SerialWaitReadable(100);
    ReadSerial(0);
    EmptyBuffer();
    SetTransferSequenceStep(ts_failed);
    // Left alone, the amplifier would stay in its service console.
    SendText(reset_after_fault);
    return;
  }
  if (echo_pending) {
    for (int n = p.receive_count - 1; n >= 0; --n) {
      if (p.response_buf[n] != '\n') continue;
      DropFront(p.response_buf, &p.receive_count, n + 1);
      echo_pending = false;
      break;
    }
  }
  // The start byte comes alone and then the receiver waits; a "C" with more
  // text behind it belongs to a prompt or to the echoed command.
  if (p.receive_count >= response_buffer_size - 1)
    DropFront(p.response_buf, &p.receive_count, p.receive_count - 1);
  const int last = p.receive_count - 1;
  if (!echo_pending && last >= 0 && MsecSinceArrival() >= start_byte_quiet_msec &&
      (p.response_buf[last] == xmodem_nak || p.response_buf[last] == xmodem_crc_start)) {
    const unsigned char start = p.response_buf[last];
    ResetXmodem();
    xmodem_crc16 = start == xmodem_crc_start ? 1 : 0;
    SetTransferSequenceStep(ts_sending);
    p.response_buf[0] = start;
    p.receive_count = 1;
    return;
  }
  if (!PastTime(start_wait_msec, pt_start_time.l.upper)) return;
  if (++transfer_retries < start_retry_limit) {
    EmptyBuffer();
    char command[1100];
    std::snprintf(command, sizeof command, "transfer /r %c:%s \r\n", transfer_driveletter,
                  transfer_filename);
    SendText(command);
    echo_pending = true;
    return;
  }
  EmptyBuffer();
  SendText(cancel_send);
  SetTransferSequenceStep(ts_abort);
}

void SendFileXmodem() {
  protocol_struct& p = ProtocolBuffer(0);
  ReadArrived();
  const int at = FirstAnswer(p);
  if (at < 0) {
    EmptyBuffer();  // nothing in it counts, and a full buffer would read no answer
    if (!PastTime(answer_wait_msec, pt_start_time.l.upper)) return;
    if (eot_sent) {
      // The receiver took the EOT and its ACK was lost.
      SetTransferSequenceStep(ts_resetwait);
      SendText(reset_after_file);
      return;
    }
    if (!resent_on_silence && !xmodem_first_packet) {
      // Its ACK may have been lost: a receiver acknowledges a repeat.
      resent_on_silence = true;
      EmptyBuffer();
      XmodemResend();
      return;
    }
    SetTransferSequenceStep(ts_timeout);
    SendText(reset_after_fault);
    return;
  }
  resent_on_silence = false;
  const unsigned char answer = p.response_buf[at];
  if (answer == xmodem_can) {
    SetTransferSequenceStep(ts_failed);
    SendText(reset_after_fault);
    return;
  }
  if (answer != xmodem_ack && xmodem_first_packet && !eot_sent) {
    xmodem_crc16 = answer == xmodem_crc_start ? 1 : 0;
  } else if (answer != xmodem_ack) {
    // Until block 1 is acknowledged a "C" is the receiver asking again.
    if (answer == xmodem_crc_start && (block_one_acked || eot_sent)) {
      DropFront(p.response_buf, &p.receive_count, at + 1);
      return;
    }
    if (++nak_run >= nak_limit) {
      SendText(cancel_send);
      SetTransferSequenceStep(ts_failed);
      return;
    }
    EmptyBuffer();
    if (eot_sent) {
      SerialSendChar(xmodem_eot);
    } else {
      XmodemResend();
    }
    return;
  }
  nak_run = 0;
  if (!xmodem_first_packet) block_one_acked = true;
  if (eot_sent) {
    SetTransferSequenceStep(ts_resetwait);
    SendText(reset_after_file);
    return;
  }
  SendNextBlock();
}

// The device's side of an XMODEM transfer: a sender for "transfer /s" and a receiver for
// "transfer /r", 128-byte blocks with an 8-bit sum or a CRC-16, each fed the bytes from the
// line and asked for the bytes to write back. Faults set from the control channel make
// either side misbehave at a chosen block.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/clock.h"

namespace sim {

// Blocks are counted from 1 in the order of the file, whatever their number on the wire.
struct XmodemFaults {
  int drop_ack = 0;        // receiving: the first ACK of this block is never sent
  int repeat = 0;          // sending: this block goes out again after its ACK
  int damaged_repeat = 0;  // sending: as repeat, the second copy damaged
  int corrupt = 0;         // sending: the first copy of this block is damaged
  int noise = 0;           // sending: bytes of noise before this block's SOH
  int cancel = 0;          // CAN CAN in place of this block (sending) or its ACK (receiving)
  bool nak_eot = false;    // receiving: the first EOT is answered with NAK
  bool failed = false;     // the transfer command answers "Failed" and moves nothing

  // "off" or words like "repeat=3 nak_eot"; an error text, empty on success.
  std::string Parse(std::string_view text);
  std::string Text() const;
};

// How the receiver asks for the file: its start byte (NAK for the 8-bit sum, "C" for the
// CRC), the wait before the first one and between repeats, and how many it sends.
struct XmodemStart {
  char byte = 'C';
  int delay_ms = 0;
  int repeat_ms = 3000;
  int tries = 10;
};

std::uint16_t XmodemCrc(std::string_view bytes);

// Events of a transfer in order, one word each, e.g. "start:C block:1 ack:1 eot ack:eot".
class XmodemLog {
 public:
  void Add(std::string_view event);
  void Clear() { text_.clear(); }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

class XmodemPeer {
 public:
  enum class Result { running, done, failed };
  virtual ~XmodemPeer() = default;
  // Takes bytes from the line; returns what to write back.
  virtual std::string Feed(std::string_view bytes, Clock::time_point now) = 0;
  // Acts on the time that has passed; returns what to write back.
  virtual std::string Poll(Clock::time_point now) = 0;
  virtual Clock::time_point NextWake() const = 0;
  Result State() const { return result_; }

 protected:
  Result result_ = Result::running;
};

class XmodemSender : public XmodemPeer {
 public:
  XmodemSender(std::string data, const XmodemFaults& faults, XmodemLog& log, Clock::time_point now);
  std::string Feed(std::string_view bytes, Clock::time_point now) override;
  std::string Poll(Clock::time_point now) override;
  Clock::time_point NextWake() const override;

 private:
  std::string Packet(int index, bool damaged) const;
  std::string Next(Clock::time_point now);
  std::string Resend(Clock::time_point now);
  std::string Fail(const char* why);

  const std::string data_;
  const XmodemFaults faults_;
  XmodemLog& log_;
  bool started_ = false;
  bool crc_ = false;
  int index_ = 0;  // the block last sent; past the last one once EOT went out
  bool eot_sent_ = false;
  bool repeated_ = false;
  int naks_ = 0;
  bool last_can_ = false;
  Clock::time_point sent_at_;
};

class XmodemReceiver : public XmodemPeer {
 public:
  XmodemReceiver(const XmodemStart& start, const XmodemFaults& faults, XmodemLog& log,
                 Clock::time_point now);
  std::string Feed(std::string_view bytes, Clock::time_point now) override;
  std::string Poll(Clock::time_point now) override;
  Clock::time_point NextWake() const override;
  // The file as received, padding included.
  const std::string& Data() const { return data_; }

 private:
  std::string Take(Clock::time_point now);
  std::string Packet(Clock::time_point now);
  std::string Cancel(const char* why);

  const XmodemStart start_;
  const XmodemFaults faults_;
  XmodemLog& log_;
  const bool crc_;
  bool receiving_ = false;  // a packet start has come; no more start bytes
  int starts_sent_ = 0;
  int index_ = 1;  // the block expected next
  bool ack_dropped_ = false;
  bool eot_naked_ = false;
  bool purging_ = false;  // after a bad packet: NAK once the line falls quiet
  int timeouts_ = 0;
  std::string buffer_;
  std::string data_;
  Clock::time_point next_start_;
  Clock::time_point last_byte_;
};

}  // namespace sim

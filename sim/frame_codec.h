// What travels on the line: command frames in, answer frames out, in one protocol family.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

constexpr char stx = 0x02;
constexpr char etx = 0x03;
constexpr char ack = 0x06;
constexpr char nak = 0x15;

// Bytes that start, end or refuse a frame; a body or noise must not contain them, or the
// console's capture would take them for framing.
bool IsFramingByte(char byte);

struct Command {
  std::uint8_t address;
  std::string body;
  bool silent = false;  // no answer at all
  // Sent whole even past what the console captures, to try its overflow handling.
  bool overflow = false;
};

struct Answer {
  bool refused = false;
  // The console reads this answer at fixed offsets counted from the start of a Tessary frame
  // (ACK, address, body). A Quillon frame has one more byte in front (STX, length, address),
  // so there the body's first byte is left out to keep every field where the console looks.
  bool frame_positioned = false;
  std::string body;
  bool silent = false;  // no answer at all
  // Sent whole even past what the console captures, to try its overflow handling.
  bool overflow = false;
};

class FrameCodec {
 public:
  virtual ~FrameCodec() = default;
  // Takes the bytes received so far; appends every complete, intact command frame.
  virtual void Feed(std::string_view bytes, std::vector<Command>* commands) = 0;
  virtual std::string Encode(std::uint8_t address, const Answer& answer,
                             bool spoil_checksum) const = 0;
  // The longest body the console can capture in one answer of this family.
  virtual std::size_t BodyRoom(bool frame_positioned) const = 0;
};

}  // namespace sim

#include "sim/quillon_codec.h"

namespace sim {

namespace {

constexpr std::size_t overhead = 5;  // STX, length, address, checksum, ETX
// The console reads the length byte as signed, so it takes no answer of 128 bytes or more.
constexpr std::size_t max_answer_frame = 127;

char Sum(std::string_view bytes) {
  unsigned sum = 0;
  for (char byte : bytes) sum += static_cast<unsigned char>(byte);
  return static_cast<char>(sum);
}

}  // namespace

void QuillonCodec::Feed(std::string_view bytes, std::vector<Command>* commands) {
  for (char byte : bytes) Take(byte, commands);
}

void QuillonCodec::Take(char byte, std::vector<Command>* commands) {
  if (frame_.empty() && byte != stx) return;
  frame_.push_back(byte);
  if (frame_.size() < 2) return;
  const std::size_t length = static_cast<unsigned char>(frame_[1]);
  bool broken = length < overhead;
  if (!broken && frame_.size() == length) {
    const std::string_view inside = std::string_view(frame_).substr(2, length - 4);
    if (frame_.back() == etx && Sum(inside) == frame_[length - 2]) {
      commands->push_back({static_cast<std::uint8_t>(frame_[2]), frame_.substr(3, length - 5)});
      frame_.clear();
      return;
    }
    broken = true;
  }
  if (broken) {
    // Look for a frame starting later in what has been received.
    const std::string rest = frame_.substr(1);
    frame_.clear();
    Feed(rest, commands);
  }
}

std::string QuillonCodec::Encode(std::uint8_t address, const Answer& answer,
                                 bool spoil_checksum) const {
  std::string body = answer.refused ? std::string("ERROR") : answer.body;
  if (!answer.refused && answer.frame_positioned && !body.empty()) body.erase(0, 1);
  std::string frame;
  frame.push_back(stx);
  frame.push_back(static_cast<char>(body.size() + overhead));
  frame.push_back(static_cast<char>(address));
  frame += body;
  char checksum = Sum(std::string_view(frame).substr(2));
  if (spoil_checksum) checksum = static_cast<char>(checksum + 1);
  frame.push_back(checksum);
  frame.push_back(etx);
  return frame;
}

std::size_t QuillonCodec::BodyRoom(bool frame_positioned) const {
  return max_answer_frame - overhead + (frame_positioned ? 1 : 0);
}

}  // namespace sim

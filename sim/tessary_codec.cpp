#include "sim/tessary_codec.h"

namespace sim {

namespace {

// The console never builds a frame over 256 bytes; anything longer is line noise.
constexpr std::size_t max_command_frame = 260;
// Firmware chunks carry 100 binary bytes after "Y3" and five digits, so an ETX inside them
// followed by a byte that happens to match the checksum must not end the frame early, and an
// STX inside them starts no frame: a chunk's frame is read to its full length first.
constexpr std::size_t chunk_frame_size = 111;  // STX, address, 107 bytes, ETX, checksum
// The console's capture gives up at 3000 bytes.
constexpr std::size_t max_answer_frame = 2999;

char Xor(std::string_view bytes) {
  char sum = 0;
  for (char byte : bytes) sum ^= byte;
  return sum;
}

}  // namespace

void TessaryCodec::Feed(std::string_view bytes, std::vector<Command>* commands) {
  for (char byte : bytes) Take(byte, commands);
}

void TessaryCodec::Take(char byte, std::vector<Command>* commands) {
  if (!in_frame_) {
    // Between frames only an STX matters; CR LF after a frame and noise are skipped.
    if (byte == stx) {
      in_frame_ = true;
      frame_.assign(1, stx);
    }
    return;
  }
  frame_.push_back(byte);
  const std::size_t size = frame_.size();
  if (size >= 4 && frame_[size - 2] == etx) {
    // The byte after an ETX may be the checksum. A broken frame followed by a good one leaves
    // more than one STX in the buffer; the frame is the one whose checksum matches.
    const std::string_view all(frame_);
    for (std::size_t start = 0; start + 4 <= size; ++start) {
      if (frame_[start] != stx) continue;
      if (all.substr(start + 2, 2) == "Y3" && size - start < chunk_frame_size) break;
      if (Xor(all.substr(start, size - 1 - start)) != byte) continue;
      Command command{static_cast<std::uint8_t>(frame_[start + 1]),
                      frame_.substr(start + 2, size - start - 4)};
      commands->push_back(std::move(command));
      in_frame_ = false;
      frame_.clear();
      return;
    }
  }
  if (size > max_command_frame) {
    // Keep whatever may be the start of a later frame.
    const auto next = frame_.find(stx, 1);
    if (next == std::string::npos) {
      in_frame_ = false;
      frame_.clear();
    } else {
      frame_.erase(0, next);
    }
  }
}

std::string TessaryCodec::Encode(std::uint8_t address, const Answer& answer,
                                 bool spoil_checksum) const {
  std::string frame;
  frame.push_back(answer.refused ? nak : ack);
  frame.push_back(static_cast<char>(address));
  if (!answer.refused) frame += answer.body;
  frame.push_back(etx);
  char checksum = Xor(frame);
  if (spoil_checksum) checksum = static_cast<char>(~checksum);
  frame.push_back(checksum);
  return frame;
}

std::size_t TessaryCodec::BodyRoom(bool) const {
  return max_answer_frame - 4;
}

}  // namespace sim

// Quillon frames: STX, total length, address, body, sum checksum, ETX. Answers have the same
// layout; a refusal carries "ERROR", which the console never accepts.
#pragma once

#include "sim/frame_codec.h"

namespace sim {

class QuillonCodec : public FrameCodec {
 public:
  void Feed(std::string_view bytes, std::vector<Command>* commands) override;
  std::string Encode(std::uint8_t address, const Answer& answer,
                     bool spoil_checksum) const override;
  std::size_t BodyRoom(bool frame_positioned) const override;

 private:
  void Take(char byte, std::vector<Command>* commands);
  std::string frame_;
};

}  // namespace sim

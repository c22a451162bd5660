// Tessary frames: STX, address, body, ETX, XOR checksum; answers start with ACK or NAK.
#pragma once

#include "sim/frame_codec.h"

namespace sim {

class TessaryCodec : public FrameCodec {
 public:
  void Feed(std::string_view bytes, std::vector<Command>* commands) override;
  std::string Encode(std::uint8_t address, const Answer& answer,
                     bool spoil_checksum) const override;
  std::size_t BodyRoom(bool frame_positioned) const override;

 private:
  void Take(char byte, std::vector<Command>* commands);
  bool in_frame_ = false;
  std::string frame_;
};

}  // namespace sim

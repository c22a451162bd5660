#include "sim/frame_codec.h"

namespace sim {

bool IsFramingByte(char byte) {
  return byte == stx || byte == etx || byte == ack || byte == nak;
}

}  // namespace sim

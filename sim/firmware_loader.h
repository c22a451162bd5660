// An amplifier's firmware loader: "Y2 n" announces an image of n bytes, "Y3nnnnn" with 100
// bytes stores chunk n at n x 100, "Y4nnnnn" checks the chunk count before the device
// reboots into the image. It keeps what tests need to judge a download: chunks, repeats,
// gaps, a hash of the image, and the line speed every firmware and serial setup command came
// at; faults set from the control channel withhold answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/frame_codec.h"

namespace sim {

// FNV-1a, 64 bits, as 16 lowercase hexadecimal digits.
std::string Fnv1a64(std::string_view bytes);

class FirmwareLoader {
 public:
  // The answers to "Y2", "Y3" and "Y4", given what follows the two letters. Finish sets
  // `reboot` when the count is right.
  Answer Start(std::string_view rest);
  Answer Store(std::string_view rest);
  Answer Finish(std::string_view rest, bool* reboot);
  // Any firmware or serial setup command arrived at `speed` (0 off the serial line).
  void Note(long speed);
  // A port set is about to be answered: true when its answer is to be lost, the settings
  // being changed all the same.
  bool LoseSpeedAnswer();
  // Control channel fields of this subject; nothing when the field is another's.
  std::optional<std::string> Set(std::string_view field, std::string_view value);
  bool Get(std::string_view field, std::string* value) const;

 private:
  struct Faults {
    std::map<long, long> silent_chunks;  // chunk number to receptions still unanswered
    bool refuse_y2 = false;
    bool lose_speed_answer = false;  // the next port set only
  };

  std::string SetFaults(std::string_view value);
  std::string Report() const;
  std::string FaultText() const;

  long announced_ = -1;
  std::string image_;           // every chunk's room, zero where none came
  std::vector<bool> received_;  // per chunk
  long chunks_ = 0;             // distinct chunks stored
  long repeats_ = 0;            // chunks received again
  long mismatches_ = 0;         // chunks received again with other bytes
  long highest_ = -1;           // the highest chunk number stored
  bool finished_ = false;
  long finish_count_ = -1;
  std::deque<long> speeds_;  // newest last
  Faults faults_;
};

}  // namespace sim

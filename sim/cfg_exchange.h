// An amplifier's side of the Model.cfg commands: "Y0" sends the file, "Y1" stores a line.
// Every "Y1" body is kept as received, and faults set from the control channel spoil the
// answers, so that tests can check what the console sent and how it copes.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "sim/frame_codec.h"
#include "sim/model_cfg.h"

namespace sim {

class CfgExchange {
 public:
  ModelCfg& File() { return file_; }
  // The answer to "Y0"; body_room is the longest body the family carries.
  Answer Fetch(std::size_t body_room);
  // The answer to one "Y1" command, body as received ("Y1" and the line).
  Answer Store(std::string_view body);
  // Control channel fields of this subject; nothing when the field is another's.
  std::optional<std::string> Set(std::string_view field, std::string_view value);
  bool Get(std::string_view field, std::string* value) const;

 private:
  enum class Y1Fault { none, silent, nak };
  enum class Y0Fault { none, short_reply, oversize, binary };

  Answer FetchAnswer(std::size_t body_room) const;
  std::string SetY1Fault(std::string_view value);

  ModelCfg file_;
  long fetches_ = 0;
  std::deque<std::string> bodies_;
  long received_ = 0;  // "Y1" commands ever, beyond what bodies_ keeps
  Y1Fault y1_fault_ = Y1Fault::none;
  long y1_fault_from_ = 0;  // the number of the first "Y1" the fault spoils
  Y0Fault y0_fault_ = Y0Fault::none;
};

}  // namespace sim

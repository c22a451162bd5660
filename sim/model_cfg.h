// The amplifier's Model.cfg: a file kept byte for byte, sent whole in answer to "Y0" and
// changed one line at a time by "Y1".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sim {

class ModelCfg {
 public:
  ModelCfg();
  // The whole file, exactly as loaded and changed.
  const std::string& Text() const { return text_; }
  // Replaces the file with any bytes at all.
  void Load(std::string_view text) { text_ = text; }
  // Stores one line: it replaces the line whose first token (the first run of bytes other
  // than blank and TAB) is the same, or is appended. Trailing blanks, TABs, CRs and LFs are
  // not stored (the console sends a file's CR LF as two blanks); a line left empty changes
  // nothing. A replaced line keeps its own line end, an appended one ends in CR LF. An error
  // text, empty when stored.
  std::string Store(std::string_view line);

 private:
  std::string text_;
};

// The text must fit in one Tessary answer to "Y0", which the console captures in 3000 bytes.
constexpr std::size_t model_cfg_capacity = 2993;

}  // namespace sim

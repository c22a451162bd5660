// The amplifier's Model.cfg: lines of text, sent whole in answer to "Y0" and changed one
// line at a time by "Y1".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class ModelCfg {
 public:
  ModelCfg();
  // The whole file, every line ended by CR LF.
  std::string Text() const;
  // Replaces the file; an error text, empty on success.
  std::string Load(std::string_view text);
  // A line with a '*' sets its keyword's value: it replaces the line of the same keyword, or
  // is added. Any other line is added unless the file holds it already. An error text, empty
  // when stored.
  std::string Store(std::string_view line);

 private:
  std::string Check(const std::vector<std::string>& lines) const;
  std::vector<std::string> lines_;
};

// The text must fit in one Tessary answer to "Y0", which the console captures in 3000 bytes.
constexpr std::size_t model_cfg_capacity = 2993;

}  // namespace sim

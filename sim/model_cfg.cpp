#include "sim/model_cfg.h"

#include "sim/frame_codec.h"

namespace sim {

namespace {

constexpr const char* default_text =
    "; Model.cfg  TWT amplifier, Ku band\r\n"
    "MODEL               \tTWTA-750-KU / TWTA-400-KU / *TWTA-250-KU\r\n"
    "POWER_UNITS         \t*DBM / WATTS\r\n"
    "Hpa_SSA             \tYES_Attenuator / *NO_Attenuator\r\n"
    "ATTENUATOR_RANGE    \t20DB / *40DB\r\n"
    "REMOTE_INTERFACE    \t*RS485 / RS232 / ETHERNET\r\n"
    "RS485_WIRES         \t2 / *4\r\n"
    "BAUD_RATE           \t1200 / 2400 / 4800 / *9600 / 19200 / 38400 / 57600 / 115200\r\n"
    "FREQUENCY_BAND      \tC / X / *KU / KA\r\n"
    "HV_AUTO_RESTART     \t*OFF / ON\r\n"
    "FAULT_LATCH         \t*ON / OFF\r\n"
    "ALARM_BEEP          \tON / *OFF\r\n"
    "WARMUP_MINUTES      \t1 / *3 / 5\r\n"
    "DISPLAY_CONTRAST    \tLOW / *MEDIUM / HIGH\r\n"
    "; end of file\r\n";

std::string_view Trimmed(std::string_view line) {
  const auto end = line.find_last_not_of(" \t\r\n");
  return end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1);
}

// The setting a line names: its first word.
std::string_view Keyword(std::string_view line) {
  const auto start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  const auto end = line.find_first_of(" \t,/", start);
  return line.substr(start, end == std::string_view::npos ? end : end - start);
}

}  // namespace

ModelCfg::ModelCfg() {
  Load(default_text);
}

std::string ModelCfg::Text() const {
  std::string text;
  for (const std::string& line : lines_) text += line + "\r\n";
  return text;
}

std::string ModelCfg::Check(const std::vector<std::string>& lines) const {
  std::size_t size = 0;
  for (const std::string& line : lines) {
    size += line.size() + 2;
    for (char byte : line) {
      // Framing bytes would cut the "Y0" answer short in the console's capture.
      if (IsFramingByte(byte) || byte == '\0') return "the text holds a control byte";
    }
  }
  return size > model_cfg_capacity
             ? "Model.cfg would exceed " + std::to_string(model_cfg_capacity) + " bytes"
             : "";
}

std::string ModelCfg::Load(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    if (!line.empty()) lines.emplace_back(line);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  std::string error = Check(lines);
  if (error.empty()) lines_ = std::move(lines);
  return error;
}

std::string ModelCfg::Store(std::string_view line) {
  line = Trimmed(line);
  if (line.empty()) return "";
  std::vector<std::string> lines = lines_;
  bool placed = false;
  const bool setting = line.find('*') != std::string_view::npos;
  for (std::string& old : lines) {
    const bool same = setting ? old.find('*') != std::string::npos && !Keyword(line).empty() &&
                                    Keyword(old) == Keyword(line)
                              : old == line;
    if (same) {
      old = line;
      placed = true;
      break;
    }
  }
  if (!placed) lines.emplace_back(line);
  std::string error = Check(lines);
  if (error.empty()) lines_ = std::move(lines);
  return error;
}

}  // namespace sim

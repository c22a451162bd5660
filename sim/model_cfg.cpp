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

std::string_view FirstToken(std::string_view line) {
  const auto start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  const auto end = line.find_first_of(" \t", start);
  return line.substr(start, end == std::string_view::npos ? end : end - start);
}

}  // namespace

ModelCfg::ModelCfg() : text_(default_text) {}

std::string ModelCfg::Store(std::string_view line) {
  const auto last = line.find_last_not_of(" \t\r\n");
  if (last == std::string_view::npos) return "";
  line = line.substr(0, last + 1);
  for (char byte : line) {
    // Framing bytes would cut the next "Y0" answer short in the console's capture.
    if (IsFramingByte(byte) || byte == '\0') return "the line holds a control byte";
  }
  const std::string_view token = FirstToken(line);
  std::string text = text_;
  bool replaced = false;
  for (std::size_t start = 0; start < text.size() && !replaced;) {
    const auto feed = text.find('\n', start);
    std::size_t end = feed == std::string::npos ? text.size() : feed;
    if (end > start && text[end - 1] == '\r') --end;  // the line end stays
    if (FirstToken(std::string_view(text).substr(start, end - start)) == token) {
      text.replace(start, end - start, line);
      replaced = true;
    }
    start = feed == std::string::npos ? text.size() : feed + 1;
  }
  if (!replaced) {
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    text.append(line).append("\r\n");
  }
  // A file loaded over the limit may still have lines replaced by shorter ones.
  if (text.size() > model_cfg_capacity && text.size() > text_.size())
    return "Model.cfg would exceed " + std::to_string(model_cfg_capacity) + " bytes";
  text_ = std::move(text);
  return "";
}

}  // namespace sim

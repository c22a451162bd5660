// The amplifier's front panel: a 4-line, 20-column display and the keypad that drives it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "sim/amplifier_state.h"
#include "sim/clock.h"
#include "sim/text_format.h"

namespace sim {

constexpr int display_rows = 4;
constexpr int display_columns = 20;
using Display = std::array<std::string, display_rows>;

class FrontPanel {
 public:
  enum class Screen { status1, status2, attenuation, readings, fault_log, setup };

  static bool HasKey(char key);
  // One key as the console forwards it; the panel must have it.
  void Press(char key, AmplifierState& state);
  Display Rows(const AmplifierState& state, Clock::time_point now) const;
  // A text shown in a row until the next key.
  void Override(int row, std::string_view text) { overrides_[row] = Column(Printable(text)); }
  void Show(Screen screen);
  Screen Current() const { return screen_; }
  static const char* Name(Screen screen);

 private:
  static std::string Column(std::string_view text);
  void Digit(char key);
  void Enter(AmplifierState& state);
  void Page(int step, const AmplifierState& state);
  Display StatusRows(const AmplifierState& state, Clock::time_point now) const;
  Display MenuRows(const AmplifierState& state) const;

  Screen screen_ = Screen::status1;
  int page_ = 0;
  std::string entry_;
  std::string message_;
  std::array<std::optional<std::string>, display_rows> overrides_;
};

}  // namespace sim

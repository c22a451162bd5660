// An outdoor controller: the redundancy switch beside the amplifiers, with a one-line menu
// display and the keys TWTA power, heater standby, HV, fault reset, enter, up and down.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "sim/device.h"
#include "sim/reading.h"

namespace sim {

class Controller : public Device {
 public:
  // version: three digits; below "325" the controller knows only the older status layout.
  Controller(const DeviceTiming& timing, unsigned seed, std::string version);
  const char* KindName() const override { return "controller"; }
  std::string Set(std::string_view field, std::string_view value, Clock::time_point now) override;
  bool Get(std::string_view field, Clock::time_point now, std::string* value) const override;

 private:
  Answer Handle(std::string_view body, std::size_t body_room, Clock::time_point now) override;
  void Run(int elapsed_ms, Clock::time_point now) override;
  void Boot(Clock::time_point now) override;

  Answer Status(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer CurrentStatus(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer Screen(std::string_view rest, std::size_t body_room, Clock::time_point now);
  Answer Key(std::string_view keys, std::size_t body_room, Clock::time_point now);
  Answer Identify(std::string_view rest, std::size_t body_room, Clock::time_point now);

  void Press(char key);
  std::string StatusBytes(bool extended) const;
  std::array<std::string, 4> Rows() const;
  std::string DisplayBytes() const;
  std::string Item(int index) const;
  bool Backrev() const { return version_ < "325"; }
  double Power() const { return powered_ && hv_on_ ? power_.Value() : 0; }
  double Voltage() const { return powered_ && hv_on_ ? voltage_.Value() : 0; }

  std::string version_;
  std::string part_ = "305-4100-200";
  bool powered_ = true;
  bool hv_on_ = true;
  bool heater_standby_ = false;
  bool remote_ = false;
  bool fault_ = false;
  bool alarm_ = false;
  bool automatic_ = true;
  int online_ = 1;  // which amplifier chain carries the traffic
  int item_ = 0;
  std::string message_;
  std::array<std::optional<std::string>, 4> overrides_;
  Reading power_{43.2, 0.1, 0.3};
  Reading voltage_{10.5, 0.02, 0.06};
};

}  // namespace sim

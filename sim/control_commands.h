// The control channel's commands: raise faults and alarms, set hours and readings, silence
// devices, change the line faults at run time, read any field back.
#pragma once

#include <string>
#include <string_view>

#include "sim/clock.h"
#include "sim/fault_injector.h"
#include "sim/link.h"
#include "sim/pty_bus.h"

namespace sim {

class ControlCommands {
 public:
  ControlCommands(Devices& devices, FaultInjector& faults, const Link& link, const PtyBus& bus)
      : devices_(devices), faults_(faults), link_(link), bus_(bus) {}
  // One command line; the answer line starts with "ok" or "error".
  std::string Execute(std::string_view line, Clock::time_point now);
  bool QuitAsked() const { return quit_; }

 private:
  std::string Faults(std::string_view settings);
  std::string OnDevice(std::string_view verb, std::string_view rest, Clock::time_point now);

  Devices& devices_;
  FaultInjector& faults_;
  const Link& link_;
  const PtyBus& bus_;
  bool quit_ = false;
};

}  // namespace sim

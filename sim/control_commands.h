// The control channel's commands: raise faults and alarms, set hours and readings, silence
// devices, change the line faults at run time, read any field back, and act on the devices'
// network side.
#pragma once

#include <string>
#include <string_view>

#include "sim/clock.h"
#include "sim/fault_injector.h"
#include "sim/link.h"
#include "sim/network.h"
#include "sim/pty_bus.h"

namespace sim {

class ControlCommands {
 public:
  ControlCommands(Devices& devices, FaultInjector& faults, Link& link, const PtyBus& bus,
                  Network& network)
      : devices_(devices), faults_(faults), link_(link), bus_(bus), network_(network) {}
  // One command line; the answer line starts with "ok" or "error".
  std::string Execute(std::string_view line, Clock::time_point now);
  bool QuitAsked() const { return quit_; }

 private:
  std::string Faults(std::string_view settings);
  std::string OnDevice(std::string_view verb, std::string_view rest, Clock::time_point now);
  std::string Tcp(std::string_view rest);
  std::string Upload(std::string_view rest);
  std::string Serial(std::string_view rest);
  std::string Trace(std::string_view rest);

  Devices& devices_;
  FaultInjector& faults_;
  Link& link_;
  const PtyBus& bus_;
  Network& network_;
  bool quit_ = false;
};

}  // namespace sim

// The whole simulator: the devices, the bus they share, their network side, the control
// channel, and the one loop that waits on all of them.
#pragma once

#include <memory>
#include <string>

#include "sim/control_commands.h"
#include "sim/control_server.h"
#include "sim/fault_injector.h"
#include "sim/link.h"
#include "sim/network.h"
#include "sim/options.h"
#include "sim/pty_bus.h"

namespace sim {

class Simulator {
 public:
  explicit Simulator(const Options& options);
  // Builds the devices, opens the bus and the control socket; an error text on failure.
  std::string Start();
  // Where the console opens the line.
  const std::string& LinkPath() const { return bus_.Path(); }
  // Answers until "quit" arrives on the control channel or wake_fd becomes readable.
  void Run(int wake_fd);

 private:
  std::string BuildDevices();
  std::unique_ptr<FrameCodec> MakeCodec() const;
  // The device whose service console holds the bus; null while the bus carries frames.
  Device* ConsoleDevice();
  // Reads the bus into the service console and acts on what it asks for.
  Transport::ReadResult ReceiveConsole(Device& device, Clock::time_point now);
  void SendConsole();

  const Options options_;
  const unsigned seed_;
  FaultInjector faults_;
  Devices devices_;
  PtyBus bus_;
  std::unique_ptr<Link> link_;
  std::string console_output_;  // written to the bus as it takes it
  Network network_;
  std::unique_ptr<ControlCommands> commands_;
  std::unique_ptr<ControlServer> control_;
};

}  // namespace sim

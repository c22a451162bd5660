// "Configuring Device...": reads a device's serial settings, gives it the
// desired ones and, when the console talks through the port changed, moves
// the console along.
#pragma once

#include <string>

// The lines a run fills in, top to bottom as the dialog shows them.
enum class setup_field {
  status,  // the step under way, then the result
  port,    // "COM%d"
  baud,    // the port's rate before the change
  data_bits,
  stop_bits,
  parity,
  address,       // "%c (%02Xh)"
  mode,          // "2-Wire" / "4-Wire"
  terminations,  // "ON" / "OFF"
  console,       // which settings the console uses after the run
};

// Where a run shows what it learns and does.
class DeviceSetupView {
 public:
  virtual ~DeviceSetupView() = default;
  virtual void Show(setup_field field, const std::string& text) = 0;
  // A failure the operator must acknowledge at once.
  virtual void Alert(const std::string& text, const std::string& caption) = 0;
};

// Runs the whole exchange with the device at found_address over
// CurrentScanLink(), giving it the target settings; returns when it has
// ended, its result shown as setup_field::status. Blocks meanwhile.
void SetupDeviceSerial(DeviceSetupView& view);

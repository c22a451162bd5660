// The two exchanges behind "&Get" and "&Send" without a window: the device's
// whole file in the answer to "Y0", and a local file sent line by line with
// "Y1". Whoever runs them (a dialog, a script) hears of them through a report.
#pragma once

#include <string>

class cfg_exchange_report {
 public:
  virtual ~cfg_exchange_report() = default;
  // The line about to go to the device, without its "Y1".
  virtual void Sending(const std::string& line) = 0;
  // Why the exchange stopped; it is not called on success. by_device: the
  // device did not answer (else the local file was at fault).
  virtual void Failed(const std::string& text, bool by_device) = 0;
};

// Each returns true when the whole file went over; both block in the port.
bool FetchModelCfg(const char* filename, int device, cfg_exchange_report& report);
bool PushModelCfg(const char* filename, int device, cfg_exchange_report& report);

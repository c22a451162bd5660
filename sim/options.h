// The simulator's command line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/fault_rates.h"
#include "sim/line_settings.h"
#include "sim/net_address.h"

namespace sim {

enum class DeviceKind { amplifier, controller };

struct DeviceEntry {
  DeviceKind kind;
  std::uint8_t address;
  std::string version;  // three digits
};

struct Options {
  std::string link_path;
  std::string control_path;
  bool quillon = false;
  bool old_id = false;
  bool steady = false;
  std::vector<DeviceEntry> devices;
  FaultRates faults;
  std::optional<unsigned> seed;
  std::string model_cfg_path;                           // every amplifier without its own
  std::map<std::uint8_t, std::string> model_cfg_paths;  // by poll address
  std::map<std::uint8_t, DeviceLine> serial_lines;      // by poll address; others answer at any
  bool pace = false;                                    // answers on the bus at line speed
  int hour_ms = 10000;  // real milliseconds per counted hour; 0 stops the hour counters
  int reboot_ms = 2000;
  int warmup_ms = 5000;
  // Each device also listens for TCP on its own address, the first at ip_base.
  bool tcp = false;
  std::uint32_t ip_base = 0x7F00000A;  // 127.0.0.10
  std::uint16_t tcp_port = 2000;       // 0: one free port, the same for every device
  // Where each device takes file uploads; without it 2003, or a free port with --tcp-port 0.
  std::optional<std::uint16_t> upload_port;
  std::optional<Endpoint> discovery;  // where discovery requests are answered
  bool help = false;
};

// false with a message for the operator when the command line is wrong.
bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error);
extern const char* const usage_text;

}  // namespace sim

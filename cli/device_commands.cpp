// status, watch, key, attenuation and scan: the device subcommands.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "app/identification.h"
#include "app/main_tick.h"
#include "app/wparse.h"
#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/device_kind.h"
#include "cli/device_state.h"
#include "cli/kept_connections.h"
#include "cli/poll_until_signal.h"
#include "cli/scan_runner.h"
#include "config/settings.h"
#include "link/address_text.h"
#include "link/bus_scan.h"
#include "link/capture.h"
#include "link/command_set.h"
#include "link/exchange.h"
#include "platform/event_loop.h"
#include "records/device_records.h"
#include "records/poll_address.h"
#include "records/program_state.h"

namespace {

constexpr unsigned char nak = 0x15;

// Each device subcommand's arguments.
struct DeviceArguments {
  LinkOptions link;
  std::vector<std::string> addresses;  // the subcommands of many devices
  std::string address;                 // the others
  std::vector<std::string> controllers;
  bool json = false;
};

void AddAddresses(CLI::App* command, DeviceArguments* arguments, bool many,
                  bool controllers = true) {
  const char* text = "poll address: one character (A) or two hexadecimal digits (41)";
  if (many) {
    command->add_option("ADDR", arguments->addresses, text);
  } else {
    command->add_option("ADDR", arguments->address, text)->required();
  }
  if (!controllers) return;
  AddControllerOption(command, &arguments->controllers);
}

std::string DeviceName(int address) {
  return "device '" + AddressText(address) + "' on " + LinkName(address);
}

// Reads the addresses, opens the link and attaches the devices (through
// keeper when they are kept connected); exit_done, or the code to end with
// after the message has been given.
int Begin(const DeviceArguments& arguments, std::vector<int>* addresses,
          kept_connections* keeper = nullptr) {
  std::vector<std::string> words = arguments.addresses;
  if (!arguments.address.empty()) words.push_back(arguments.address);
  std::set<int> controllers;
  if (!ReadAddresses(words, addresses) ||
      !ReadControllers(arguments.controllers, addresses, &controllers))
    return exit_usage;
  if (addresses->empty()) {
    Report("name the devices (ADDR..., or --controller ADDR)");
    return exit_usage;
  }
  if (!arguments.address.empty() && addresses->size() > 1) {
    Report("--controller names another device than '" + arguments.address + "'");
    return exit_usage;
  }
  std::string error;
  if (!OpenLink(arguments.link, &error)) {
    Report(error);
    return exit_link;
  }
  for (const int address : *addresses) {
    const device_enum kind = controllers.count(address) ? ocontrol_device : twta_device;
    if (!(keeper ? keeper->Attach(address, kind, &error) : AttachDevice(address, kind, &error))) {
      Report(error);
      CloseLink();
      return exit_link;
    }
  }
  return exit_done;
}

// One command and its answer, taken into the record; false with a message
// naming the device when it stayed silent, refused or the wrong kind came.
bool Exchange(int address, const char* body, const device_command& limits, const char* what,
              std::string* error) {
  // Commands whose answer a polling step takes get one polling interval.
  const int timeout = limits.timeout > 0 ? limits.timeout : static_cast<int>(polling_interval);
  if (!DoCommand(address, body, 0, timeout, limits.tries)) {
    const protocol_struct& reply = ProtocolBuffer(address);
    const bool refused = reply.receive_count > 0 && reply.response_buf[0] == nak;
    *error = DeviceName(address) + (refused ? " refused " : " did not answer ") + what + " (\"" +
             body + "\")";
    return false;
  }
  const int h = quillon_protocol ? 2 : 1;
  const protocol_struct& reply = ProtocolBuffer(address);
  if (ParseResponse(address) != address ||
      (limits.answer_kind && reply.response_buf[h + 1] != limits.answer_kind)) {
    *error = DeviceName(address) + " gave an unexpected answer to " + what + " (\"" + body + "\")";
    return false;
  }
  return true;
}

bool Exchange(int address, command_id id, const char* what, std::string* error) {
  const device_command& command = Command(id);
  return Exchange(address, command.body, command, what, error);
}

// One poll of each kind: status, display rows and identity; a device found
// to be of the other kind is polled again as that.
bool PollOnce(int address, std::string* error) {
  if (device_type[address] == ocontrol_device) {
    if (!Exchange(address, command_id::identify, "the identification", error)) return false;
    if (LearnKind(address, ProtocolBuffer(address))) return PollOnce(address, error);
    ReadControllerIdentity(address, ProtocolBuffer(address));
    const command_id status = device_data[address].backrev ? command_id::controller_status_old
                                                           : command_id::controller_status;
    if (!Exchange(address, status, "the status poll", error)) return false;
    if (!Exchange(address, command_id::screen, "the screen request", error)) return false;
  } else {
    if (!Exchange(address, command_id::status_poll, "the status poll", error)) return false;
    if (LearnKind(address, ProtocolBuffer(address))) return PollOnce(address, error);
    if (!Exchange(address, command_id::screen, "the screen request", error)) return false;
    std::string part, serial, message;
    const device_command& identify = Command(command_id::identify_amplifier);
    if (!DoCommand(address, identify.body, 0, identify.timeout, identify.tries) ||
        !ReadIdentification(ProtocolBuffer(address), &part, &serial, &message)) {
      *error =
          DeviceName(address) + " did not answer the identification (\"" + identify.body + "\")";
      return false;
    }
    CopyField(device_data[address].part, part.c_str());
    if (!serial.empty()) CopyField(device_data[address].serial, serial.c_str());
  }
  error_count[address] = 0;
  return true;
}

void Print(const nlohmann::json& state, bool json) {
  const std::string text = json ? state.dump() + "\n" : DeviceStateText(state);
  std::fputs(text.c_str(), stdout);
}

int Status(const DeviceArguments& arguments) {
  std::vector<int> addresses;
  if (const int code = Begin(arguments, &addresses)) return code;
  int code = exit_done;
  for (const int address : addresses) {
    std::string error;
    if (PollOnce(address, &error)) {
      Print(DeviceState(address), arguments.json);
    } else {
      Report(error);
      code = exit_device;
    }
  }
  CloseLink();
  return code;
}

// Watching: the polling tick runs on the event loop until a signal comes.
std::map<int, nlohmann::json> last_written;
bool output_failed = false;

void WriteChange(int address) {
  nlohmann::json state = DeviceState(address);
  auto& last = last_written[address];
  if (state == last) return;
  last = state;
  state["time_ms"] = NowMs();
  const std::string line = state.dump() + "\n";
  if (std::fputs(line.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
    output_failed = true;
    Loop().Stop();
  }
}

int Watch(const DeviceArguments& arguments, int interval_ms) {
  std::vector<int> addresses;
  kept_connections keeper(Loop());
  if (const int code = Begin(arguments, &addresses, &keeper)) return code;
  if (!PollUntilSignal(interval_ms, WriteChange)) {
    CloseLink();
    return exit_device;
  }
  CloseLink();
  if (output_failed) Report("the output was closed; stopped watching " + LinkName());
  return exit_done;
}

// A key as the device's keypad knows it: one character, or "F1+K" to "F4+K"
// for the key with the console's F1 to F4 held.
bool ParseKey(const std::string& text, char* key, int* held) {
  if (text.size() == 1 && text[0] > ' ' && text[0] < 0x7F) {
    *key = text[0];
    *held = -1;
    return true;
  }
  if (text.size() == 4 && (text[0] == 'F' || text[0] == 'f') && text[1] >= '1' && text[1] <= '4' &&
      text[2] == '+' && text[3] > ' ' && text[3] < 0x7F) {
    *key = text[3];
    *held = text[1] - '1';
    return true;
  }
  return false;
}

int Key(const DeviceArguments& arguments, const std::vector<std::string>& keys) {
  std::vector<std::pair<char, int>> parsed;
  for (const std::string& text : keys) {
    char key = 0;
    int held = -1;
    if (!ParseKey(text, &key, &held)) {
      Report("not a key: '" + text + "' (one character, or F1+K to F4+K)");
      return exit_usage;
    }
    parsed.emplace_back(key, held);
  }
  std::vector<int> addresses;
  if (const int code = Begin(arguments, &addresses)) return code;
  const int address = addresses.front();
  int code = exit_done;
  for (const auto& [key, held] : parsed) {
    std::string error;
    const std::string what = std::string("the key '") + key + "'";
    if (!Exchange(address, KeyCommand(key, held).text, Command(command_id::key), what.c_str(),
                  &error)) {
      Report(error);
      code = exit_device;
      break;
    }
  }
  if (code == exit_done) {
    // The display the last key left.
    const nlohmann::json state = DeviceState(address);
    const nlohmann::json shown = {{"address", state["address"]}, {"display", state["display"]}};
    std::string text = arguments.json ? shown.dump() + "\n" : "";
    for (const auto& row : state["display"]) {
      if (!arguments.json) text += row.get<std::string>() + "\n";
    }
    std::fputs(text.c_str(), stdout);
  }
  CloseLink();
  return code;
}

int Attenuation(const DeviceArguments& arguments, double db) {
  std::vector<int> addresses;
  if (const int code = Begin(arguments, &addresses)) return code;
  const int address = addresses.front();
  std::string error;
  int code = exit_done;
  // Read back by a status poll: what the device now reports is what is printed.
  if (!Exchange(address, AttenuationCommand(db).text, Command(command_id::attenuation),
                "the attenuation", &error) ||
      !Exchange(address, command_id::status_poll, "the status poll", &error)) {
    Report(error);
    code = exit_device;
  } else {
    // What the device reports now, which may differ from what was asked
    // when it holds the value to its own range.
    const nlohmann::json reported = DeviceState(address)["readings"]["attenuation"];
    if (arguments.json) {
      const nlohmann::json line = {{"address", AddressText(address)}, {"attenuation", reported}};
      std::printf("%s\n", line.dump().c_str());
    } else {
      std::printf("%s: attenuation %s dB\n", AddressText(address).c_str(), reported.dump().c_str());
    }
  }
  CloseLink();
  return code;
}

struct ScanArguments {
  LinkOptions link;
  ScanRequest request;
  bool json = false;
};

int Scan(const ScanArguments& arguments) {
  if (!CheckScanRequest(arguments.request)) return exit_usage;
  std::string error;
  if (!OpenLink(arguments.link, &error)) {
    Report(error);
    return exit_link;
  }
  const int code = RunScan(arguments.request, [&arguments](const ScanFind& find) {
    if (arguments.json) {
      const nlohmann::json line = {{"address", AddressText(find.combination.address)},
                                   {"format", FormatText(find.combination)},
                                   {"answer", find.line}};
      std::printf("%s\n",
                  line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
      std::printf("%s  %s  %s\n", AddressShown(find.combination.address).c_str(),
                  FormatText(find.combination).c_str(), find.line.c_str());
    }
    std::fflush(stdout);
  });
  CloseLink();
  return code;
}

}  // namespace

void AddDeviceCommands(CLI::App& app, int* exit_code) {
  // The arguments live as long as the program: CLI11 writes them during parse.
  static DeviceArguments status_arguments, watch_arguments, key_arguments, attenuation_arguments;
  static ScanArguments scan_arguments;
  static int interval_ms = 0;
  static std::vector<std::string> keys;
  static double db = 0;

  CLI::App* status = app.add_subcommand("status",
                                        "poll devices once: status, readings, display "
                                        "rows and identity");
  AddAddresses(status, &status_arguments, true);
  status->add_flag("--json", status_arguments.json, "one JSON object per device and line");
  AddLinkOptions(status, &status_arguments.link);
  status->callback([exit_code] { *exit_code = Status(status_arguments); });

  CLI::App* watch = app.add_subcommand(
      "watch",
      "poll devices until interrupted; a JSON line with a millisecond time stamp "
      "(time_ms) on every change. A device over TCP that hangs up or cannot be reached is "
      "shown out of contact and connected again, after 1 s, then twice as long each time, up "
      "to 30 s");
  AddAddresses(watch, &watch_arguments, true);
  watch->add_option("--interval", interval_ms, "milliseconds between polls (default: defaults.txt)")
      ->type_name("MS")
      ->check(CLI::Range(1, 3600000));
  AddLinkOptions(watch, &watch_arguments.link);
  watch->callback([exit_code] { *exit_code = Watch(watch_arguments, interval_ms); });

  CLI::App* key = app.add_subcommand("key", "press keys on a device's keypad, in order");
  AddAddresses(key, &key_arguments, false);
  key->add_option("KEY", keys, "a key character (0-9, W, X, Y, Z, ...), or F1+K to F4+K")
      ->required();
  key->add_flag("--json", key_arguments.json, "the state after the keys as JSON");
  AddLinkOptions(key, &key_arguments.link);
  key->callback([exit_code] { *exit_code = Key(key_arguments, keys); });

  CLI::App* attenuation = app.add_subcommand("attenuation", "set an amplifier's attenuation");
  AddAddresses(attenuation, &attenuation_arguments, false, false);
  attenuation->add_option("DB", db, "attenuation in dB, 0 to 99.9")
      ->required()
      ->check(CLI::Range(0.0, 99.9));
  attenuation->add_flag("--json", attenuation_arguments.json, "the state afterwards as JSON");
  AddLinkOptions(attenuation, &attenuation_arguments.link);
  attenuation->callback([exit_code] { *exit_code = Attenuation(attenuation_arguments, db); });

  CLI::App* scan = app.add_subcommand(
      "scan",
      "find devices on a serial bus: every address of RANGE at each rate, in the link's "
      "format");
  scan->add_option("RANGE", scan_arguments.request.range, "addresses, e.g. A-Z, 0-255 or 65")
      ->required();
  scan->add_option("--rates", scan_arguments.request.rates,
                   "rates to try (default: the link's), e.g. --rates 9600,19200")
      ->type_name("RATE,...")
      ->delimiter(',');
  scan->add_flag("--json", scan_arguments.json, "one JSON object per device found");
  AddLinkOptions(scan, &scan_arguments.link);
  scan->callback([exit_code] { *exit_code = Scan(scan_arguments); });
}

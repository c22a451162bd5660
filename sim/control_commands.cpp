#include "sim/control_commands.h"

#include <cstdio>

#include "sim/poll_address.h"
#include "sim/text_format.h"

namespace sim {

namespace {

// The first word of `text`; `text` keeps what follows the blank after it.
std::string_view Word(std::string_view* text) {
  const auto end = text->find(' ');
  const std::string_view word = text->substr(0, end);
  *text = end == std::string_view::npos ? std::string_view() : text->substr(end + 1);
  return word;
}

std::string Result(const std::string& error) {
  return error.empty() ? "ok" : "error " + error;
}

}  // namespace

std::string ControlCommands::Execute(std::string_view line, Clock::time_point now) {
  std::string_view rest = line;
  const std::string_view verb = Word(&rest);
  if (verb == "quit") {
    quit_ = true;
    return "ok";
  }
  if (verb == "faults") return Faults(rest);
  if (verb == "stats") {
    const LinkCounts& counts = link_.Counts();
    return "ok frames=" + std::to_string(counts.frames) +
           " unaddressed=" + std::to_string(counts.unaddressed) +
           " answered=" + std::to_string(counts.answered) +
           " dropped=" + std::to_string(counts.dropped);
  }
  if (verb == "line") return "ok " + bus_.LineSettings();
  if (verb == "line_format") return "ok " + bus_.LineFormat();
  if (verb == "line_handshake") return "ok " + bus_.Handshake();
  if (verb == "network") {
    const std::string summary = network_.Summary();
    return summary.empty() ? "ok" : "ok " + summary;
  }
  if (verb == "serial") return Serial(rest);
  if (verb == "trace") return Trace(rest);
  if (verb == "pace") {
    bool on = false;
    if (!ParseSwitch(rest, &on)) return "error pace takes on or off";
    link_.SetPace(on);
    return "ok";
  }
  if (verb == "tcp") return Tcp(rest);
  if (verb == "upload") return Upload(rest);
  if (verb == "describe") {
    const std::string_view address = Word(&rest);
    return Result(network_.SetDescription(address, rest));
  }
  if (verb == "devices") {
    std::string answer = "ok";
    for (const auto& [address, device] : devices_)
      answer += " " + FormatPollAddress(address) + ":" + device->KindName();
    return answer;
  }
  if (verb == "fault" || verb == "alarm" || verb == "silent" || verb == "hours" || verb == "set" ||
      verb == "get" || verb == "faultlog")
    return OnDevice(verb, rest, now);
  return "error unknown command " + std::string(verb);
}

std::string ControlCommands::OnDevice(std::string_view verb, std::string_view rest,
                                      Clock::time_point now) {
  const std::string_view address_text = Word(&rest);
  const auto address = ParsePollAddress(address_text);
  if (!address) return "error bad address " + std::string(address_text);
  const auto found = devices_.find(*address);
  if (found == devices_.end()) return "error no device at " + FormatPollAddress(*address);
  Device& device = *found->second;
  if (verb == "get") {
    std::string value;
    if (!device.Get(rest, now, &value)) return "error unknown field " + std::string(rest);
    return "ok " + value;
  }
  if (verb == "set") {
    const std::string_view field = Word(&rest);
    return Result(device.Set(field, rest, now));
  }
  if (verb == "hours") {
    const std::string_view heater = Word(&rest);
    const std::string error = device.Set("heater", heater, now);
    return Result(error.empty() ? device.Set("beam", rest, now) : error);
  }
  return Result(device.Set(verb, rest, now));
}

std::string ControlCommands::Serial(std::string_view rest) {
  const std::string_view address_text = Word(&rest);
  const auto address = ParsePollAddress(address_text);
  if (!address) return "error bad address " + std::string(address_text);
  const auto found = devices_.find(*address);
  if (found == devices_.end()) return "error no device at " + FormatPollAddress(*address);
  DeviceLine& line = found->second->Line();
  if (rest.empty()) return "ok " + FormatDeviceLine(line);
  return Result(ParseDeviceLine(rest, &line));
}

std::string ControlCommands::Trace(std::string_view rest) {
  if (rest.empty()) return "ok " + link_.Trace().Format();
  if (rest != "clear") return "error trace takes nothing or clear";
  link_.Trace().Clear();
  return "ok";
}

std::string ControlCommands::Tcp(std::string_view rest) {
  const std::string_view address = Word(&rest);
  TcpDevice* device = network_.Find(address);
  if (device == nullptr) return "error no network device at " + std::string(address);
  if (rest.empty()) return "ok " + device->State();
  return Result(device->Control(rest));
}

std::string ControlCommands::Upload(std::string_view rest) {
  const std::string_view address = Word(&rest);
  UploadPort* port = network_.FindUpload(address);
  if (port == nullptr) return "error no upload port at " + std::string(address);
  if (rest.empty()) return "ok " + port->State();
  if (rest == "file") return "ok " + port->File();
  return Result(port->Control(rest));
}

std::string ControlCommands::Faults(std::string_view settings) {
  FaultRates rates = faults_.Rates();
  while (!settings.empty()) {
    const std::string_view setting = Word(&settings);
    const auto equals = setting.find('=');
    const std::string_view name = setting.substr(0, equals);
    double value = -1;
    if (equals == std::string_view::npos || !ParseNumber(setting.substr(equals + 1), &value))
      return "error faults takes NAME=VALUE";
    if (name == "delay-ms") {
      if (value < 0 || value > 600000) return "error delay-ms must be 0 to 600000";
      rates.delay_ms = static_cast<int>(value);
      continue;
    }
    if (value < 0 || value > 1) return "error " + std::string(name) + " must be 0 to 1";
    if (name == "drop") {
      rates.drop = value;
    } else if (name == "delay") {
      rates.delay = value;
    } else if (name == "nak") {
      rates.nak = value;
    } else if (name == "bad-checksum") {
      rates.bad_checksum = value;
    } else if (name == "garbage") {
      rates.garbage = value;
    } else {
      return "error unknown fault " + std::string(name);
    }
  }
  faults_.Rates() = rates;
  char answer[160];
  std::snprintf(answer, sizeof answer,
                "ok drop=%g delay=%g delay-ms=%d nak=%g bad-checksum=%g garbage=%g", rates.drop,
                rates.delay, rates.delay_ms, rates.nak, rates.bad_checksum, rates.garbage);
  return answer;
}

}  // namespace sim

#include "sim/options.h"

#include <cerrno>
#include <cstdlib>
#include <set>

#include "sim/poll_address.h"

namespace sim {

const char* const usage_text =
    "usage: corvane-sim [--link PATH] [--control PATH] [--quillon]\n"
    "                   [--amp ADDR]... [--controller ADDR[:VERSION]]... [--old-id]\n"
    "                   [--drop P] [--delay P] [--delay-ms N] [--nak P] [--bad-checksum P]\n"
    "                   [--garbage P] [--seed N] [--model-cfg [ADDR=]FILE]... [--steady]\n"
    "                   [--hour-ms N] [--reboot-ms N] [--warmup-ms N]\n"
    "                   [--tcp] [--ip-base A.B.C.D] [--tcp-port N] [--upload-port N]\n"
    "                   [--discovery A.B.C.D:PORT]\n"
    "                   [--serial ADDR=RATE:PDS[,port=1|2][,other=RATE:PDS][,mode=2|4]\n"
    "                                  [,term=T|U][,at_once][,refuse][,noise]]... [--pace]\n"
    "ADDR is one character or two hexadecimal digits; P a fraction 0..1;\n"
    "network addresses are in 127.0.0.0/8.\n";

namespace {

bool ParseFraction(const std::string& text, double* value) {
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !(parsed >= 0 && parsed <= 1)) return false;
  *value = parsed;
  return true;
}

bool ParseCount(const std::string& text, long max, long* value) {
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || parsed < 0 || parsed > max) return false;
  *value = parsed;
  return true;
}

bool ParseDevice(DeviceKind kind, const std::string& text, DeviceEntry* entry) {
  std::string address = text;
  entry->kind = kind;
  entry->version = "325";
  const auto colon = text.find(':', 1);
  if (kind == DeviceKind::controller && colon != std::string::npos) {
    address = text.substr(0, colon);
    entry->version = text.substr(colon + 1);
    if (entry->version.size() != 3 ||
        entry->version.find_first_not_of("0123456789") != std::string::npos)
      return false;
  }
  const auto parsed = ParsePollAddress(address);
  if (!parsed) return false;
  entry->address = *parsed;
  return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error) {
  std::set<std::uint8_t> taken;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      options->help = true;
      continue;
    }
    if (name == "--quillon") {
      options->quillon = true;
      continue;
    }
    if (name == "--old-id") {
      options->old_id = true;
      continue;
    }
    if (name == "--steady") {
      options->steady = true;
      continue;
    }
    if (name == "--tcp") {
      options->tcp = true;
      continue;
    }
    if (name == "--pace") {
      options->pace = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      *error = name.rfind("--", 0) == 0 ? name + " needs a value" : "unknown argument " + name;
      return false;
    }
    const std::string& value = args[++i];
    bool good = true;
    long number = 0;
    FaultRates& faults = options->faults;
    if (name == "--link") {
      options->link_path = value;
    } else if (name == "--control") {
      options->control_path = value;
    } else if (name == "--amp" || name == "--controller") {
      DeviceEntry entry;
      good = ParseDevice(name == "--amp" ? DeviceKind::amplifier : DeviceKind::controller, value,
                         &entry);
      if (good && !taken.insert(entry.address).second) {
        *error = "two devices at address " + FormatPollAddress(entry.address);
        return false;
      }
      if (good) options->devices.push_back(entry);
    } else if (name == "--drop") {
      good = ParseFraction(value, &faults.drop);
    } else if (name == "--delay") {
      good = ParseFraction(value, &faults.delay);
    } else if (name == "--nak") {
      good = ParseFraction(value, &faults.nak);
    } else if (name == "--bad-checksum") {
      good = ParseFraction(value, &faults.bad_checksum);
    } else if (name == "--garbage") {
      good = ParseFraction(value, &faults.garbage);
    } else if (name == "--delay-ms") {
      good = ParseCount(value, 600000, &number);
      faults.delay_ms = static_cast<int>(number);
    } else if (name == "--seed") {
      good = ParseCount(value, 0xFFFFFFFFL, &number);
      options->seed = static_cast<unsigned>(number);
    } else if (name == "--model-cfg") {
      // ADDR=PATH for one amplifier; a path of that shape is given as ./ADDR=PATH.
      const auto equals = value.find('=');
      const auto address =
          equals == std::string::npos ? std::nullopt : ParsePollAddress(value.substr(0, equals));
      if (!address) {
        options->model_cfg_path = value;
      } else if (!options->model_cfg_paths.emplace(*address, value.substr(equals + 1)).second) {
        *error = "two Model.cfg files for address " + FormatPollAddress(*address);
        return false;
      }
    } else if (name == "--serial") {
      const auto equals = value.find('=');
      const auto address =
          equals == std::string::npos ? std::nullopt : ParsePollAddress(value.substr(0, equals));
      DeviceLine line;
      good = address && ParseDeviceLine(value.substr(equals + 1), &line).empty();
      if (good && !options->serial_lines.emplace(*address, line).second) {
        *error = "two --serial settings for address " + FormatPollAddress(*address);
        return false;
      }
    } else if (name == "--hour-ms") {
      good = ParseCount(value, 100000000, &number);
      options->hour_ms = static_cast<int>(number);
    } else if (name == "--reboot-ms") {
      good = ParseCount(value, 600000, &number);
      options->reboot_ms = static_cast<int>(number);
    } else if (name == "--warmup-ms") {
      good = ParseCount(value, 600000, &number);
      options->warmup_ms = static_cast<int>(number);
    } else if (name == "--ip-base") {
      const auto ip = ParseIpv4(value);
      good = ip && IsLoopback(*ip);
      if (good) options->ip_base = *ip;
      options->tcp = true;
    } else if (name == "--tcp-port") {
      good = ParseCount(value, 65535, &number);
      options->tcp_port = static_cast<std::uint16_t>(number);
      options->tcp = true;
    } else if (name == "--upload-port") {
      good = ParseCount(value, 65535, &number);
      options->upload_port = static_cast<std::uint16_t>(number);
      options->tcp = true;
    } else if (name == "--discovery") {
      options->discovery = ParseEndpoint(value, 2000);
      good = options->discovery && IsLoopback(options->discovery->ip);
      options->tcp = true;
    } else {
      *error = "unknown option " + name;
      return false;
    }
    if (!good) {
      *error = "bad value for " + name + ": " + value;
      return false;
    }
  }
  if (options->devices.empty()) options->devices.push_back({DeviceKind::amplifier, 'A', "325"});
  // Every device's address must stay inside the loopback network.
  if (options->tcp && (options->ip_base & 0xFF) + options->devices.size() > 0xFF) {
    *error = "too many devices after --ip-base " + FormatIpv4(options->ip_base);
    return false;
  }
  return true;
}

}  // namespace sim

#include "cli/cli_context.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>

#include "config/defaults_file.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "link/serial_defaults.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "platform/event_loop.h"
#include "platform/link_clock.h"
#include "platform/socket.h"
#include "records/device_records.h"
#include "records/poll_address.h"

namespace {

constexpr std::uint16_t command_port = 2000;

struct endpoint {
  std::string host;  // as given, without a port
  std::uint16_t port = command_port;
  std::string option;  // where it was named, for messages
};

std::optional<endpoint> every_host;    // one host for every device
std::map<int, endpoint> device_hosts;  // a host of a device's own

bool ParseFormat(const std::string& text, std::uint8_t* data, std::uint8_t* parity,
                 std::uint8_t* stop) {
  if (text.size() != 3) return false;
  if (text[0] != '7' && text[0] != '8') return false;
  switch (text[1]) {
    case 'N':
    case 'n':
      *parity = parity_none;
      break;
    case 'E':
    case 'e':
      *parity = parity_even;
      break;
    case 'O':
    case 'o':
      *parity = parity_odd;
      break;
    default:
      return false;
  }
  if (text[2] != '1' && text[2] != '2') return false;
  *data = static_cast<std::uint8_t>(text[0] - '0');
  *stop = text[2] == '1' ? one_stop_bit : two_stop_bits;
  return true;
}

char ParityLetter() {
  if (serial_parity == parity_even) return 'E';
  if (serial_parity == parity_odd) return 'O';
  return 'N';
}

// "A.B.C.D" or "A.B.C.D:PORT".
bool SplitHost(const std::string& text, std::string* host, std::uint16_t* port) {
  const std::size_t colon = text.find(':');
  *host = text.substr(0, colon);
  *port = command_port;
  if (colon == std::string::npos) return true;
  const char* first = text.data() + colon + 1;
  const char* last = text.data() + text.size();
  unsigned value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || value == 0 || value > 65535) return false;
  *port = static_cast<std::uint16_t>(value);
  return true;
}

// "A.B.C.D[:PORT]" for every device (address -1), or "ADDR=A.B.C.D[:PORT]"
// for one.
bool ParseHostOption(const std::string& text, int* address, endpoint* where) {
  *address = -1;
  std::string host = text;
  const std::size_t equals = text.rfind('=');
  if (equals != std::string::npos) {
    if (!ParseAddress(text.substr(0, equals), address)) return false;
    host = text.substr(equals + 1);
  }
  where->option = "--host " + text;
  return SplitHost(host, &where->host, &where->port) && !where->host.empty();
}

// Every --host given, in order; false with the message for a host named twice.
bool ReadHosts(const std::vector<std::string>& hosts, std::string* error) {
  every_host.reset();
  device_hosts.clear();
  for (const std::string& text : hosts) {
    int address = -1;
    endpoint where;
    ParseHostOption(text, &address, &where);
    if (address < 0 ? every_host.has_value() : device_hosts.count(address) != 0) {
      *error = where.option + ": " +
               (address < 0 ? "one host for every device was already named"
                            : "device '" + AddressText(address) + "' already has a host");
      return false;
    }
    if (address < 0) {
      every_host = where;
    } else {
      device_hosts[address] = where;
    }
  }
  return true;
}

const endpoint* EndpointOf(int address) {
  const auto own = device_hosts.find(address);
  if (own != device_hosts.end()) return &own->second;
  return every_host ? &*every_host : nullptr;
}

std::string EndpointName(const endpoint& where) {
  return where.host + ":" + std::to_string(where.port);
}

}  // namespace

void AddLinkOptions(CLI::App* command, LinkOptions* options) {
  const char* group = "Link (default: sdefault.txt and defaults.txt of the working directory)";
  command->add_option("--port", options->port, "serial port to use, e.g. /dev/ttyUSB0")
      ->type_name("PATH")
      ->group(group);
  command->add_option("--baud", options->baud, "line rate in bits per second")
      ->type_name("N")
      ->check(CLI::PositiveNumber)
      ->group(group);
  command->add_option("--format", options->format, "data bits, parity and stop bits, e.g. 8N1")
      ->type_name("8N1")
      ->check([](const std::string& text) {
        std::uint8_t data, parity, stop;
        return ParseFormat(text, &data, &parity, &stop)
                   ? std::string()
                   : "not a line format like 8N1 (7 or 8, N, E or O, 1 or 2): " + text;
      })
      ->group(group);
  command->add_flag("--quillon", options->quillon, "Quillon frames instead of Tessary ones")
      ->group(group);
  command
      ->add_option("--host", options->hosts,
                   "reach the devices over TCP, each on its own connection: every device at "
                   "A.B.C.D, or device ADDR at its own (ADDR=A.B.C.D, repeated for each); "
                   "port 2000 unless given as A.B.C.D:PORT")
      ->type_name("[ADDR=]A.B.C.D[:PORT]")
      ->check([](const std::string& text) {
        int address;
        endpoint where;
        return ParseHostOption(text, &address, &where) ? std::string()
                                                       : "not [ADDR=]A.B.C.D[:PORT]: " + text;
      })
      ->group(group);
  command->parse_complete_callback([options] {
    std::string error;
    if (!ReadHosts(options->hosts, &error)) throw CLI::ValidationError("--host", error);
  });
}

bool OpenLink(const LinkOptions& options, std::string* error) {
  SetProgramDirectoryFromCurrent();
  LoadSerialDefaults();
  LoadConfig();
  for (int address = 0; address < device_count; ++address) {
    ZeroDeviceData(address);
    ZeroDeviceComments(address);
  }
  if (!options.port.empty()) {
    CopyField(serial_port, options.port.c_str());
    use_ethernet = 0;
  }
  if (options.baud > 0) serial_baud = static_cast<std::int32_t>(options.baud);
  if (!options.format.empty()) {
    ParseFormat(options.format, &serial_data, &serial_parity, &serial_stop);
  }
  if (options.quillon) quillon_protocol = 1;
  if (!options.hosts.empty()) {
    use_ethernet = 1;
    if (every_host) CopyField(default_ipaddress, every_host->host.c_str());
  } else if (use_ethernet) {
    every_host = endpoint{default_ipaddress, command_port, "sdefault.txt"};
  }
  CheckSystemTimerInit();
  if (use_ethernet) {
    // Each device has its own connection, made when it is attached; the
    // addresses are checked here so that a bad one fails before any device.
    std::vector<const endpoint*> named;
    if (every_host) named.push_back(&*every_host);
    for (const auto& [address, where] : device_hosts) named.push_back(&where);
    for (const endpoint* where : named) {
      platform::Ipv4 address = 0;
      if (!platform::ParseIpv4(where->host.c_str(), &address)) {
        *error =
            "host '" + where->host + "' (from " + where->option + "): not a dotted IPv4 address";
        return false;
      }
    }
    return true;
  }
  if (InitSerial() != 1) {
    char tried[64];
    std::snprintf(tried, sizeof tried, " at %d %d%c%d", serial_baud, serial_data, ParityLetter(),
                  serial_stop == two_stop_bits ? 2 : 1);
    *error =
        "cannot open serial port " + std::string(serial_port) + tried + ": " + SerialErrorText();
    return false;
  }
  return true;
}

bool DeviceEndpoint(int address, std::string* host, std::uint16_t* port) {
  const endpoint* where = EndpointOf(address);
  if (!where) return false;
  *host = where->host;
  *port = where->port;
  return true;
}

std::string LinkName(int address) {
  if (!use_ethernet) return serial_port;
  if (address >= 0) {
    const endpoint* where = EndpointOf(address);
    return where ? EndpointName(*where) : "no host";
  }
  std::string names = every_host ? EndpointName(*every_host) : "";
  for (const auto& [device, where] : device_hosts) {
    names += (names.empty() ? "" : ", ") + EndpointName(where);
  }
  return names;
}

bool AttachDevice(int address, device_enum kind, std::string* error) {
  device_type[address] = kind;
  ZeroDeviceData(address);
  if (use_ethernet) {
    const endpoint* where = EndpointOf(address);
    if (!where) {
      *error = "no host for device '" + AddressText(address) + "': name one with --host " +
               AddressText(address) + "=A.B.C.D, or --host A.B.C.D for every device";
      return false;
    }
    if (!ConnectDeviceSocket(address, where->host.c_str(), where->port, error)) return false;
  }
  WatchDevice(address, true);
  return true;
}

void CloseLink() {
  for (int address = 0; address < device_count; ++address) WatchDevice(address, false);
  CleanupSocketComm();
  CloseSerial();
}

bool ParseAddress(const std::string& text, int* address) {
  if (text.empty() || text.size() > 2) return false;
  const int value = ParsePollAddress(text);
  if (value < 0) return false;
  *address = value;
  return true;
}

bool ReadAddresses(const std::vector<std::string>& words, std::vector<int>* addresses) {
  for (const std::string& word : words) {
    int address = 0;
    if (!ParseAddress(word, &address)) {
      Report("not a poll address: '" + word +
             "' (one character, or two hexadecimal digits from 00 to FF)");
      return false;
    }
    addresses->push_back(address);
  }
  return true;
}

void AddControllerOption(CLI::App* command, std::vector<std::string>* controllers) {
  command
      ->add_option("--controller", *controllers,
                   "the device at ADDR is an outdoor controller (repeat, or ADDR,ADDR...); "
                   "the others are taken for amplifiers until their answers tell otherwise")
      ->type_name("ADDR")
      ->delimiter(',')
      ->allow_extra_args(false);
}

bool ReadControllers(const std::vector<std::string>& words, std::vector<int>* addresses,
                     std::set<int>* controllers) {
  std::vector<int> named;
  if (!ReadAddresses(words, &named)) return false;
  for (const int address : named) {
    controllers->insert(address);
    if (std::find(addresses->begin(), addresses->end(), address) == addresses->end())
      addresses->push_back(address);
  }
  return true;
}

platform::EventLoop& Loop() {
  static platform::EventLoop loop;
  return loop;
}

void Report(const std::string& text) {
  std::fprintf(stderr, "corvane-cli: %s\n", text.c_str());
}

// gateway: polls devices and publishes them to an MQTT broker, taking keys
// and attenuations back from it.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "app/identification.h"
#include "app/main_tick.h"
#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/device_state.h"
#include "cli/gateway_mqtt.h"
#include "cli/gateway_request.h"
#include "cli/gateway_state.h"
#include "cli/kept_connections.h"
#include "cli/poll_until_signal.h"
#include "cli/scan_runner.h"
#include "config/settings.h"
#include "link/bus_scan.h"
#include "link/capture.h"
#include "link/command_set.h"
#include "link/exchange.h"
#include "link/keypad.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "platform/event_loop.h"
#include "records/device_records.h"
#include "records/poll_address.h"
#include "records/program_state.h"
#include "records/transitions.h"

namespace {

struct GatewayArguments {
  LinkOptions link;
  std::vector<std::string> addresses;
  ScanRequest scan;  // range empty: no scan
  std::vector<std::string> controllers;
  int interval_ms = 0;
  std::string broker = "127.0.0.1:1883";
  std::string prefix = "corvane";
  std::string site;
  std::string client_id;
  std::string credentials;
  std::string cafile, cert, key;
  bool read_only = false;
};

// Topic levels the gateway writes must not be wildcards or empty.
bool TopicLevels(const std::string& text, bool one_level) {
  if (text.empty() || text.front() == '/' || text.back() == '/') return false;
  if (one_level && text.find('/') != std::string::npos) return false;
  for (const char c : text) {
    if (c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x21 ||
        static_cast<unsigned char>(c) > 0x7E)
      return false;
  }
  return text.find("//") == std::string::npos;
}

bool SplitBroker(const std::string& text, std::string* host, int* port) {
  const std::size_t colon = text.rfind(':');
  *host = text.substr(0, colon);
  *port = 1883;
  if (colon != std::string::npos) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + colon + 1, end, *port);
    if (error != std::errc() || stop != end || *port < 1 || *port > 65535) return false;
  }
  return !host->empty();
}

// User name on the first line, password on the second.
bool ReadCredentials(const std::string& path, mqtt_settings* settings, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = "cannot read the credentials file " + path;
    return false;
  }
  std::getline(file, settings->username);
  std::getline(file, settings->password);
  for (std::string* line : {&settings->username, &settings->password}) {
    if (!line->empty() && line->back() == '\r') line->pop_back();
  }
  if (settings->username.empty()) {
    *error = "the credentials file " + path + " has no user name on its first line";
    return false;
  }
  return true;
}

// An amplifier's part and serial number, asked before polling starts and,
// for one silent then, once it answers: polls do not carry them. True when
// they are known (or the device is no amplifier).
bool Identify(int address) {
  if (device_type[address] != twta_device) return true;
  if (use_ethernet && !device_sock[address].good) return false;
  const device_command& identify = Command(command_id::identify_amplifier);
  std::string part, serial, message;
  // Lone: between polls an answer to the last one may still be on its way.
  if (!LoneCommand(address, identify.body, 0, identify.timeout, identify.tries) ||
      !ReadIdentification(ProtocolBuffer(address), &part, &serial, &message)) {
    Report("gateway: device '" + AddressText(address) + "' on " + LinkName(address) +
           " did not answer the identification (\"" + identify.body + "\"); polling it anyway");
    return false;
  }
  CopyField(device_data[address].part, part.c_str());
  if (!serial.empty()) CopyField(device_data[address].serial, serial.c_str());
  return true;
}

class Gateway {
 public:
  Gateway(platform::EventLoop& loop, mqtt_settings settings, std::string base, bool read_only)
      : loop_(loop),
        session_(loop, std::move(settings)),
        base_(std::move(base)),
        read_only_(read_only) {
    session_.OnConnected([this] { Connected(); });
    session_.OnMessage(
        [this](const std::string& topic, const std::string& payload) { Command(topic, payload); });
  }

  bool Start(std::string* error) { return session_.Start(error); }
  void Stop() { session_.Stop(); }
  void Serve(int address, bool identified) {
    served_[address] = device_type[address];
    if (!identified) unidentified_.insert(address);
  }

  // After every polling step that touched the record.
  void Updated(int address) {
    if (!served_.count(address)) return;
    // Commands follow the kind the answers have shown.
    served_[address] = device_type[address];
    const device_flags flags = FlagsOfDevice(address, flags_[address]);
    if (flags.contact && !flags_[address].contact) IdentifySoon(address);
    const long long now = NowMs();
    const std::string topic = base_ + TopicAddress(address);
    for (const std::string& event : Transitions(flags_[address], flags)) {
      const nlohmann::json message = {{"address", AddressText(address)},
                                      {"event", event},
                                      {"time", UtcTime(now)},
                                      {"time_ms", now}};
      session_.Publish(topic + "/event", message.dump(), false);
    }
    flags_[address] = flags;
    nlohmann::json state = DeviceState(address);
    if (state == states_[address]) return;
    states_[address] = state;
    PublishState(address, now);
  }

 private:
  // Asked from the loop, after the polling step that found the device back.
  void IdentifySoon(int address) {
    if (!unidentified_.count(address) || identifying_.count(address)) return;
    identifying_[address] = loop_.AddTimer(1, [this, address] {
      loop_.RemoveTimer(identifying_[address]);
      identifying_.erase(address);
      if (Identify(address)) unidentified_.erase(address);
    });
  }

  void PublishState(int address, long long now) {
    nlohmann::json state = states_[address];
    state["time"] = UtcTime(now);
    state["time_ms"] = now;
    session_.Publish(base_ + TopicAddress(address) + "/state", state.dump(), true);
  }

  void Connected() {
    if (!read_only_) {
      session_.Subscribe(base_ + "+/cmd/key");
      session_.Subscribe(base_ + "+/cmd/attenuation");
    }
    const long long now = NowMs();
    for (const auto& [address, state] : states_) PublishState(address, now);
  }

  void Command(const std::string& topic, const std::string& payload) {
    if (read_only_) return;
    const std::size_t last = topic.rfind('/');
    // A result is never answered, should a broker ever hand one over.
    if (last == std::string::npos || topic.compare(last, std::string::npos, "/result") == 0) return;
    const gateway_request request =
        ParseRequest(base_, topic, payload, [this](int address) -> std::optional<device_enum> {
          const auto found = served_.find(address);
          if (found == served_.end()) return std::nullopt;
          return found->second;
        });
    nlohmann::json result = {{"command", request.kind}, {"ok", request.error.empty()}};
    if (request.error.empty()) {
      KewCommand(request.address, request.body.c_str());
      result["sent"] = request.body;
    } else {
      result["error"] = request.error;
      Report("gateway: refused a command on " + topic + ": " + request.error);
    }
    if (topic.compare(0, base_.size(), base_) == 0)
      session_.Publish(topic.substr(0, last) + "/result", result.dump(), false);
  }

  platform::EventLoop& loop_;
  MqttSession session_;
  std::string base_;  // "PREFIX/SITE/"
  bool read_only_;
  std::map<int, device_enum> served_;
  std::map<int, device_flags> flags_;
  std::map<int, nlohmann::json> states_;
  std::set<int> unidentified_;      // amplifiers whose part and serial are unknown
  std::map<int, int> identifying_;  // the timer that will ask, by address
};

Gateway* running_gateway = nullptr;
void OnDeviceUpdated(int address) {
  if (running_gateway) running_gateway->Updated(address);
}

int RunGateway(const GatewayArguments& arguments) {
  if (!TopicLevels(arguments.prefix, false) || !TopicLevels(arguments.site, true)) {
    Report(
        "--prefix and --site are topic levels without '+', '#', blanks or empty levels (--site "
        "is one level): '" +
        arguments.prefix + "', '" + arguments.site + "'");
    return exit_usage;
  }
  mqtt_settings settings;
  if (!SplitBroker(arguments.broker, &settings.host, &settings.port)) {
    Report("not a broker: '" + arguments.broker + "' (HOST or HOST:PORT)");
    return exit_usage;
  }
  std::string error;
  if (!arguments.credentials.empty() &&
      !ReadCredentials(arguments.credentials, &settings, &error)) {
    Report(error);
    return exit_usage;
  }
  const std::string base = arguments.prefix + "/" + arguments.site + "/";
  settings.client_id =
      arguments.client_id.empty() ? "corvane-" + arguments.site : arguments.client_id;
  settings.cafile = arguments.cafile;
  settings.cert = arguments.cert;
  settings.key = arguments.key;
  settings.status_topic = base + "gateway";

  std::vector<int> addresses;
  std::set<int> controllers;
  if (!ReadAddresses(arguments.addresses, &addresses) ||
      !ReadControllers(arguments.controllers, &addresses, &controllers))
    return exit_usage;
  const bool scan = !arguments.scan.range.empty();
  if (addresses.empty() && !scan) {
    Report(
        "gateway: name the devices (ADDR..., --controller ADDR), or a bus to scan for them "
        "(--scan RANGE)");
    return exit_usage;
  }
  if (scan && !CheckScanRequest(arguments.scan)) return exit_usage;
  if (!OpenLink(arguments.link, &error)) {
    Report(error);
    return exit_link;
  }
  if (scan) {
    // Served as if named; with named addresses, an empty bus leaves those.
    const int code = RunScan(arguments.scan, [&addresses](const ScanFind& find) {
      const int address = find.combination.address;
      // The gateway polls at the link's rate only.
      if (find.combination.baud != serial_baud)
        Report("gateway: device '" + AddressText(address) + "' on " + LinkName(address) +
               " answered at " + FormatText(find.combination) + ", not at the link's " +
               std::to_string(serial_baud) + " baud; polling it anyway");
      if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
        addresses.push_back(address);
    });
    if (code != exit_done && !(code == exit_device && !addresses.empty())) {
      CloseLink();
      return code;
    }
  }
  platform::EventLoop& loop = Loop();
  Gateway gateway(loop, settings, base, arguments.read_only);
  kept_connections keeper(loop);
  for (const int address : addresses) {
    if (!keeper.Attach(address, controllers.count(address) ? ocontrol_device : twta_device,
                       &error)) {
      Report(error);
      CloseLink();
      return exit_link;
    }
    gateway.Serve(address, Identify(address));
  }
  if (!gateway.Start(&error)) {
    Report(error);
    CloseLink();
    return exit_usage;
  }
  running_gateway = &gateway;
  const bool polled = PollUntilSignal(arguments.interval_ms, OnDeviceUpdated);
  running_gateway = nullptr;
  gateway.Stop();
  CloseLink();
  return polled ? exit_done : exit_device;
}

}  // namespace

void AddGatewayCommand(CLI::App& app, int* exit_code) {
  static GatewayArguments arguments;
  CLI::App* gateway = app.add_subcommand(
      "gateway",
      "poll devices and publish them to an MQTT broker: retained PREFIX/SITE/ADDR/state, "
      "PREFIX/SITE/ADDR/event on every transition, PREFIX/SITE/gateway online/offline; "
      "commands on PREFIX/SITE/ADDR/cmd/key and .../cmd/attenuation, results on "
      ".../cmd/result. A device over TCP that hangs up or cannot be reached is shown out of "
      "contact and connected again, as watch does");
  gateway->add_option("ADDR", arguments.addresses,
                      "poll address: one character (A) or two hexadecimal digits (41)");
  gateway->add_option("--scan", arguments.scan.range,
                      "also serve the devices a bus scan of RANGE finds, e.g. A-Z");
  gateway
      ->add_option("--rates", arguments.scan.rates,
                   "rates the scan tries (default: the link's), e.g. --rates 9600,19200")
      ->type_name("RATE,...")
      ->delimiter(',')
      ->needs("--scan");
  AddControllerOption(gateway, &arguments.controllers);
  gateway
      ->add_option("--interval", arguments.interval_ms,
                   "milliseconds between polls (default: defaults.txt)")
      ->check(CLI::Range(1, 3600000));
  gateway->add_option("--broker", arguments.broker, "HOST[:PORT] of the broker")
      ->capture_default_str();
  gateway->add_option("--prefix", arguments.prefix, "first topic levels")->capture_default_str();
  gateway->add_option("--site", arguments.site, "this gateway's topic level")->required();
  gateway->add_option("--client-id", arguments.client_id, "MQTT client id (default corvane-SITE)");
  gateway->add_option("--credentials", arguments.credentials,
                      "file with the user name on its first line and the password on its second");
  gateway->add_option("--cafile", arguments.cafile, "TLS: the broker's certificate authority");
  gateway->add_option("--cert", arguments.cert, "TLS: this gateway's certificate");
  gateway->add_option("--key", arguments.key, "TLS: this gateway's private key");
  gateway->add_flag("--read-only", arguments.read_only, "take no commands from the broker");
  AddLinkOptions(gateway, &arguments.link);
  gateway->callback([exit_code] { *exit_code = RunGateway(arguments); });
}

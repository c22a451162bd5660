#include "sim/simulator.h"

#include <poll.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <vector>

#include "sim/amplifier.h"
#include "sim/controller.h"
#include "sim/poll_address.h"
#include "sim/quillon_codec.h"
#include "sim/service_console.h"
#include "sim/tessary_codec.h"

namespace sim {

namespace {

// Devices run their clocks at this pace, so the loop wakes at least this often.
constexpr int tick_ms = 250;
// While nobody holds the line, look again after this long instead of spinning on EIO.
constexpr int idle_retry_ms = 100;

// The whole file, byte for byte; an error text naming it.
std::string ReadWhole(const std::string& path, std::string* bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "cannot read Model.cfg " + path;
  bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return "";
}

unsigned ChooseSeed(const Options& options) {
  return options.seed ? *options.seed : std::random_device()();
}

}  // namespace

Simulator::Simulator(const Options& options)
    : options_(options),
      seed_(ChooseSeed(options)),
      faults_(seed_),
      // The console sends Quillon frames only on the serial line; the network is Tessary.
      network_(devices_, faults_, [] { return std::make_unique<TessaryCodec>(); }) {
  faults_.Rates() = options.faults;
}

std::string Simulator::BuildDevices() {
  std::map<std::uint8_t, std::string> model_cfgs;
  for (const auto& [address, path] : options_.model_cfg_paths) {
    const auto entry =
        std::find_if(options_.devices.begin(), options_.devices.end(),
                     [&](const DeviceEntry& device) { return device.address == address; });
    if (entry == options_.devices.end() || entry->kind != DeviceKind::amplifier)
      return "--model-cfg " + path + ": no amplifier at " + FormatPollAddress(address);
    std::string error = ReadWhole(path, &model_cfgs[address]);
    if (!error.empty()) return error;
  }
  for (const auto& [address, line] : options_.serial_lines) {
    if (std::none_of(options_.devices.begin(), options_.devices.end(),
                     [&](const DeviceEntry& device) { return device.address == address; }))
      return "--serial: no device at " + FormatPollAddress(address);
  }
  std::string shared;
  if (!options_.model_cfg_path.empty()) {
    std::string error = ReadWhole(options_.model_cfg_path, &shared);
    if (!error.empty()) return error;
  }
  const DeviceTiming timing{options_.hour_ms, options_.reboot_ms, options_.warmup_ms,
                            options_.steady};
  for (const DeviceEntry& entry : options_.devices) {
    // Each device drifts on its own sequence, apart from the line faults.
    const unsigned seed = seed_ + 1 + entry.address;
    if (entry.kind == DeviceKind::controller) {
      devices_[entry.address] = std::make_unique<Controller>(timing, seed, entry.version);
      continue;
    }
    auto amplifier = std::make_unique<Amplifier>(entry.address, timing, seed, options_.old_id);
    const auto own = model_cfgs.find(entry.address);
    if (own != model_cfgs.end()) {
      amplifier->LoadModelCfg(own->second);
    } else if (!options_.model_cfg_path.empty()) {
      amplifier->LoadModelCfg(shared);
    }
    devices_[entry.address] = std::move(amplifier);
  }
  for (auto& [address, device] : devices_) {
    device->SetAddress(address);
    const auto line = options_.serial_lines.find(address);
    if (line != options_.serial_lines.end()) device->Line() = line->second;
  }
  return "";
}

std::unique_ptr<FrameCodec> Simulator::MakeCodec() const {
  if (options_.quillon) return std::make_unique<QuillonCodec>();
  return std::make_unique<TessaryCodec>();
}

std::string Simulator::Start() {
  std::string error = BuildDevices();
  if (error.empty()) error = bus_.Open(options_.link_path);
  if (error.empty()) error = network_.Start(options_);
  if (!error.empty()) return error;
  link_ = std::make_unique<Link>(bus_, MakeCodec(), devices_, faults_);
  link_->SetPace(options_.pace);
  commands_ = std::make_unique<ControlCommands>(devices_, faults_, *link_, bus_, network_);
  control_ = std::make_unique<ControlServer>(
      [this](const std::string& line) { return commands_->Execute(line, Clock::now()); });
  return options_.control_path.empty() ? "" : control_->Listen(options_.control_path);
}

Device* Simulator::ConsoleDevice() {
  for (auto& [address, device] : devices_) {
    if (device->Console() != nullptr) return device.get();
  }
  return nullptr;
}

Transport::ReadResult Simulator::ReceiveConsole(Device& device, Clock::time_point now) {
  std::string bytes;
  const Transport::ReadResult result = bus_.Read(&bytes);
  ServiceConsole& console = *device.Console();
  console.Feed(bytes, bus_.LineFormat(), now);
  console_output_ += console.TakeOutput();
  if (console.TakeReset()) device.Restart(now);
  return result;
}

void Simulator::SendConsole() {
  // A console that stopped reading must not make the simulator grow without end.
  constexpr std::size_t max_output = 64 * 1024;
  console_output_.erase(0, bus_.Write(console_output_));
  if (console_output_.size() > max_output) console_output_.clear();
}

void Simulator::Run(int wake_fd) {
  bool line_idle = false;
  Clock::time_point line_retry{};
  for (;;) {
    Clock::time_point now = Clock::now();
    for (auto& [address, device] : devices_) device->Advance(now);
    Device* console_device = ConsoleDevice();
    if (console_device != nullptr) {
      ServiceConsole& console = *console_device->Console();
      console.Poll(now);
      console_output_ += console.TakeOutput();
    }
    if (!line_idle) link_->Send(now);
    if (!line_idle && !console_output_.empty()) SendConsole();
    network_.Send(now);

    Clock::time_point wake = After(now, tick_ms);
    const auto due = link_->NextDue();
    if (line_idle) {
      wake = std::min(wake, line_retry);
    } else if (due && *due > now) {
      wake = std::min(wake, *due);
    }
    // An answer already due and still queued waits for room on its stream (POLLOUT), not for
    // the clock, or a console that stops reading would make this loop spin.
    if (const auto network_due = network_.NextDueAfter(now)) wake = std::min(wake, *network_due);
    if (console_device != nullptr) {
      if (const auto console_due = console_device->Console()->NextWake())
        wake = std::max(now, std::min(wake, *console_due));
    }
    std::vector<pollfd> fds = {{wake_fd, POLLIN, 0}};
    if (!line_idle) {
      // A due answer still queued after Send is one the line could not take yet.
      const bool waiting = (due && *due <= now) || !console_output_.empty();
      const short events = waiting ? POLLIN | POLLOUT : POLLIN;
      fds.push_back({bus_.Fd(), events, 0});
    }
    control_->AddPollFds(&fds);
    network_.AddPollFds(&fds, now);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
    poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(0, wait + 1)));
    if (fds[0].revents != 0) return;

    now = Clock::now();
    if (line_idle && now >= line_retry) line_idle = false;
    if (fds.size() > 1 && fds[1].fd == bus_.Fd() &&
        (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
      console_device = ConsoleDevice();
      const auto result =
          console_device != nullptr ? ReceiveConsole(*console_device, now) : link_->Receive(now);
      if (result == Transport::ReadResult::idle) {
        line_idle = true;
        line_retry = After(now, idle_retry_ms);
      }
    }
    control_->Serve(fds);
    network_.Serve(fds, now);
    if (commands_->QuitAsked()) return;
  }
}

}  // namespace sim

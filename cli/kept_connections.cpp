#include "cli/kept_connections.h"

#include <algorithm>

#include "cli/cli_context.h"
#include "link/link_settings.h"
#include "link/wsocket.h"
#include "platform/event_loop.h"
#include "records/poll_address.h"

namespace {

constexpr int first_retry_ms = 1000;
constexpr int last_retry_ms = 30000;

kept_connections* active = nullptr;

void OnDeviceUpdated(int address) {
  if (active) active->Updated(address);
}

// "what happened; next try in N s", without a full stop between.
std::string Retrying(std::string what, const char* next, int ms) {
  if (!what.empty() && what.back() == '.') what.pop_back();
  return what + "; " + next + " " + std::to_string(ms / 1000) + " s";
}

}  // namespace

kept_connections::kept_connections(platform::EventLoop& loop) : loop_(loop) {
  active = this;
  AddDeviceUpdateListener(OnDeviceUpdated);
}

kept_connections::~kept_connections() {
  RemoveDeviceUpdateListener(OnDeviceUpdated);
  for (auto& [address, device] : devices_) Abandon(device);
  active = nullptr;
}

bool kept_connections::Attach(int address, device_enum kind, std::string* error) {
  if (AttachDevice(address, kind, error)) {
    if (use_ethernet) devices_[address] = kept{first_retry_ms};
    return true;
  }
  std::string host;
  std::uint16_t port = 0;
  if (!use_ethernet || !DeviceEndpoint(address, &host, &port)) return false;
  WatchDevice(address, true);
  Report(Retrying(*error, "trying again in", first_retry_ms));
  devices_[address] = kept{first_retry_ms, true};
  Schedule(address);
  return true;
}

void kept_connections::Updated(int address) {
  const auto found = devices_.find(address);
  if (found == devices_.end() || found->second.lost) return;
  if (!device_sock[address].good) return Lose(address);
  // Answering again: the next loss starts the waits afresh.
  if (error_count[address] == 0) found->second.delay_ms = first_retry_ms;
}

// Shown out of contact at once rather than after the misses a dead
// connection would run up.
void kept_connections::Lose(int address) {
  devices_[address].lost = true;
  ZeroDeviceData(address);
  NotifyDeviceUpdated(address);
  Schedule(address);
}

void kept_connections::Schedule(int address) {
  kept& device = devices_[address];
  device.timer = loop_.AddTimer(device.delay_ms, [this, address] {
    kept& due = devices_[address];
    loop_.RemoveTimer(due.timer);
    due.timer = -1;
    Connect(address);
  });
}

void kept_connections::Connect(int address) {
  kept& device = devices_[address];
  std::string host, error;
  std::uint16_t port = 0;
  DeviceEndpoint(address, &host, &port);
  const int result = StartDeviceSocket(address, host.c_str(), port, &error);
  if (result == 1) return Adopt(address);
  if (result < 0) return Failed(address, error);
  // The connection is made while the loop goes on polling the others.
  device.watch = loop_.WatchFd(device_sock[address].socket, false, true,
                               [this, address](bool, bool) { Finish(address); });
  device.timer = loop_.AddTimer(socket_connect_timeout, [this, address] {
    FinishSocketConnect(address, false);
    Failed(address, "no answer within " + std::to_string(socket_connect_timeout) + " ms");
  });
}

void kept_connections::Finish(int address) {
  const int result = SocketConnectResult(address);
  if (result == 0) return;
  const std::string error = result < 0 ? SocketError2String() : "";
  FinishSocketConnect(address, result == 1);
  if (result == 1) return Adopt(address);
  Failed(address, error);
}

void kept_connections::Failed(int address, const std::string& text) {
  kept& device = devices_[address];
  Abandon(device);
  device.delay_ms = std::min(device.delay_ms * 2, last_retry_ms);
  Report("device '" + AddressText(address) + "': connecting again to " + LinkName(address) + ": " +
         Retrying(text, "next try in", device.delay_ms));
  Schedule(address);
}

// The connection is in the device's slot: polling uses it from its next step on.
void kept_connections::Adopt(int address) {
  kept& device = devices_[address];
  Abandon(device);
  device.lost = false;
  Report("device '" + AddressText(address) + "': connected again to " + LinkName(address));
}

// Stops waiting for the try under way, if any.
void kept_connections::Abandon(kept& device) {
  if (device.watch >= 0) loop_.Unwatch(device.watch);
  if (device.timer >= 0) loop_.RemoveTimer(device.timer);
  device.watch = device.timer = -1;
}

#include "records/device_records.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "config/log_parameters.h"
#include "config/settings.h"

device_struct device_data[device_count];
device_struct device_prev[device_count];
device_enum device_type[device_count];
std::int32_t error_count[device_count];
char last_response[device_count];
std::int32_t adjusting_attenuator[device_count];
std::int32_t got_hours[device_count];
std::int32_t heater_start[device_count];
std::int32_t beam_start[device_count];
std::int32_t popup_color[device_count];
std::int32_t popup_color0[device_count];
std::FILE* logfile[device_count];
char pending_command[device_count][80];

namespace {

constexpr const char* blank_row = "                    ";
constexpr const char* no_status_row = "     No Status      ";
constexpr const char* available_row = "     Available      ";

bool ValidAddress(int address) {
  return address >= 0 && address < device_count;
}

bool watched[device_count];
PanelSeam panels{nullptr, nullptr, nullptr};
std::vector<DeviceUpdateListener> update_listeners;

}  // namespace

void SetPanelSeam(PanelSeam seam) {
  panels = seam;
}

bool PanelLives(int address) {
  return ValidAddress(address) && panels.lives && panels.lives(address);
}

std::uint32_t PanelIdentity(int address) {
  return ValidAddress(address) && panels.identity ? panels.identity(address) : 0;
}

bool IsOpen(int address) {
  return PanelLives(address) || (ValidAddress(address) && watched[address]);
}

void WatchDevice(int address, bool on) {
  if (ValidAddress(address)) watched[address] = on;
}

void AddDeviceUpdateListener(DeviceUpdateListener listener) {
  if (std::find(update_listeners.begin(), update_listeners.end(), listener) ==
      update_listeners.end())
    update_listeners.push_back(listener);
}

void RemoveDeviceUpdateListener(DeviceUpdateListener listener) {
  std::erase(update_listeners, listener);
}

void NotifyDeviceUpdated(int address) {
  if (!ValidAddress(address)) return;
  // A listener may remove itself while it is told: walk a copy.
  const std::vector<DeviceUpdateListener> listeners = update_listeners;
  for (DeviceUpdateListener listener : listeners) listener(address);
}

int ClosePollWindows() {
  int last = 'A';
  for (int address = 0; address < device_count; ++address) {
    if (!PanelLives(address)) continue;
    panels.close(address);
    last = address;
  }
  return last;
}

void ZeroDeviceData(int address) {
  if (!ValidAddress(address)) return;
  device_struct& d = device_data[address];
  const bool amplifier = device_type[address] == twta_device;
  CopyField(d.screen[0], amplifier ? blank_row : no_status_row);
  CopyField(d.screen[1], amplifier ? no_status_row : blank_row);
  CopyField(d.screen[2], available_row);
  CopyField(d.screen[3], blank_row);
  d.hv_on = d.standby = d.ftd = d.local = d.remote = d.alarm = d.fault = 0;
  d.twta_power = d.hstandby = 0;
  d.wg1 = d.wg2 = 'A';
  d.heater = d.beam = -1;
  CopyField(d.power_out, "00.0");
  CopyField(d.attenuation, "00.0");
  CopyField(d.voltage, "00.0");
  CopyField(d.temp, "00.0");
  CopyField(d.current, "00.0");
  d.frequency = 0.0f;
  d.offset = 0.0f;
  d.backrev = 0;
  last_response[address] = 0;
  pending_command[address][0] = 0;
  for (log_parm_struct& parameter : log_parameter) CopyField(parameter.response[address], "????");
  error_count[address] = 3;
  adjusting_attenuator[address] = 0;
  got_hours[address] = 0;
}

void ZeroDeviceComments(int address) {
  if (!ValidAddress(address)) return;
  device_struct& d = device_data[address];
  CopyField(d.part, "000-0000-000");
  CopyField(d.serial, "0000");
  d.comments[0] = 0;
  CopyField(d.log_zero, "Unavailable");
  if (!logging_on) d.target_hours = 999999;
}

int NextAvailablePollAddress() {
  bool seen_open = false;
  for (int address = 0; address < device_count; ++address) {
    if (IsOpen(address)) {
      seen_open = true;
    } else if (seen_open) {
      return address;
    }
  }
  return 'A';
}

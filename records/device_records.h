// What the console knows about each device, one record and a row of small
// tables per poll address (0 to 255), and the two resets that give a record
// its "no status" contents.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

constexpr int device_count = 256;
constexpr int screen_rows = 4;
constexpr int screen_columns = 20;

enum device_enum : std::int32_t {
  twta_device = 0,
  ocontrol_device = 1,
  oneforone_device = 2,
  onefortwo_device = 3,
};

#pragma pack(push, 1)
// Compared and copied as one block: the panel redraws only when some byte of
// the record differs from the copy it showed last.
struct device_struct {
  char screen[screen_rows][screen_columns + 1];
  char hv_on;
  char standby;
  char ftd;
  char local;
  char remote;
  char alarm;
  char fault;
  char twta_power;
  char hstandby;
  char wg1, wg2;
  char power_out[6];
  char attenuation[6];
  char voltage[6];
  char temp[6];
  char current[6];
  std::int32_t heater;
  std::int32_t beam;
  float frequency;
  float offset;
  char serial[20];
  char part[20];
  char comments[256];
  char log_zero[80];
  std::int32_t target_hours;
  char redisplay;
  std::int32_t poll_frequency;
  std::int32_t backrev;
};
#pragma pack(pop)

extern device_struct device_data[device_count];
extern device_struct device_prev[device_count];
extern device_enum device_type[device_count];
extern std::int32_t error_count[device_count];
extern char last_response[device_count];
extern std::int32_t adjusting_attenuator[device_count];
extern std::int32_t got_hours[device_count];
extern std::int32_t heater_start[device_count];
extern std::int32_t beam_start[device_count];
extern std::int32_t popup_color[device_count];
extern std::int32_t popup_color0[device_count];
extern std::FILE* logfile[device_count];
// A keypad command waiting for the device's next polling turn (two-wire mode).
extern char pending_command[device_count][80];

void ZeroDeviceData(int address);
void ZeroDeviceComments(int address);
int NextAvailablePollAddress();

// An address is open (polled) while its panel window lives or while a
// program without windows watches it.
bool IsOpen(int address);
bool PanelLives(int address);
void WatchDevice(int address, bool on);

// Panels are one kind of watcher, kept by the windows side, which tells the
// records at start-up how to ask whether an address's panel lives, which
// panel it is and how to close it. Without panels none ever lives.
struct PanelSeam {
  bool (*lives)(int address);
  std::uint32_t (*identity)(int address);
  void (*close)(int address);
};
void SetPanelSeam(PanelSeam seam);
// The address's panel (or the last one it had) as a number no other panel
// ever had; 0 when it never had one.
std::uint32_t PanelIdentity(int address);

// Told the address after a polling step updated its record: an answer was
// parsed into it or a miss was charged to it. Every listener hears every
// update, in the order they were added; adding one twice adds it once.
using DeviceUpdateListener = void (*)(int address);
void AddDeviceUpdateListener(DeviceUpdateListener listener);
void RemoveDeviceUpdateListener(DeviceUpdateListener listener);
void NotifyDeviceUpdated(int address);

// Closes every open panel (each closes its own log as it goes); returns the
// last address closed, or 'A'.
int ClosePollWindows();

// Copies text into a fixed-width field, always terminated, never past it.
template <std::size_t size>
void CopyField(char (&field)[size], const char* text) {
  const std::size_t length = strnlen(text, size - 1);
  std::memcpy(field, text, length);
  field[length] = 0;
}

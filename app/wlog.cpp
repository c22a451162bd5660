#include "app/wlog.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "app/records/device_records.h"
#include "config/log_parameters.h"
#include "config/settings.h"

namespace {

std::uint32_t last_count = 0;

// Milliseconds since an arbitrary start, wrapping like a 32-bit tick count.
std::uint32_t TickCount() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void FormatHours(char* buffer, std::size_t size, std::int32_t hours) {
  if (hours < 0) {
    std::snprintf(buffer, size, "??????");
  } else {
    std::snprintf(buffer, size, "%06ld", static_cast<long>(hours));
  }
}

// The enabled parameters' names (titles) or this device's values, joined by ", ".
std::string JoinEnabled(int address, bool titles) {
  std::string joined;
  for (const log_parm_struct& parameter : log_parameter) {
    if (!parameter.enabled) continue;
    if (!joined.empty()) joined += ", ";
    joined += titles ? parameter.name : parameter.response[address];
  }
  return joined;
}

}  // namespace

void TimeStamp(char* buffer) {
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::snprintf(buffer, time_stamp_size, "%d %s %02d, %02d:%02d", local.tm_mday, months[local.tm_mon % 12],
                local.tm_year % 100, local.tm_hour, local.tm_min);
}

void WriteLog(int address, const char* text) {
  if (address < 0 || address >= device_count || !logfile[address]) return;
  if (!text) {
    std::fputs("----------------------------------------------------------------------\r\n", logfile[address]);
  } else {
    char stamp[time_stamp_size];
    TimeStamp(stamp);
    std::fprintf(logfile[address], "%s,  %s\r\n", stamp, text);
  }
  std::fflush(logfile[address]);
}

void LogColumnTitles(int address) {
  const std::string titles = JoinEnabled(address, true);
  if (!titles.empty()) WriteLog(address, titles.c_str());
}

void CloseLog(int address) {
  if (address < 0 || address >= device_count || !logfile[address]) return;
  char heater[16], beam[16], line[96];
  FormatHours(heater, sizeof heater, device_data[address].heater);
  FormatHours(beam, sizeof beam, device_data[address].beam);
  std::snprintf(line, sizeof line, "Ending Heater Hours: %s, Beam Hours: %s", heater, beam);
  if (log_hours) WriteLog(address, line);
  WriteLog(address, nullptr);
  std::fclose(logfile[address]);
  logfile[address] = nullptr;
}

void UpdateLogFiles(int lognow) {
  const std::uint32_t now = TickCount();
  if (!lognow && (now - last_count) / 1000u < logging_interval) return;
  last_count = now;
  for (int address = 0; address < device_count; ++address) {
    if (!logfile[address]) continue;
    const std::string values = JoinEnabled(address, false);
    if (values.empty()) return;
    WriteLog(address, values.c_str());
  }
}

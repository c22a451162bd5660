// A status log as the console writes it: identity, titles, starting hours,
// then one value line every 15 minutes whose readings follow the line number.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>

// The four readings of value line n.
inline double TrendCurrent(int n) {
  return 400 + n % 50;
}
inline double TrendPower(int n) {
  return 40 + (n % 80) / 10.0;
}
inline double TrendTemperature(int n) {
  return 30 + n % 20;
}
inline double TrendVolts(int n) {
  return 7 + (n % 30) / 10.0;
}

inline std::string TrendStamp(std::time_t time) {
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  localtime_r(&time, &local);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%d %s %02d, %02d:%02d", local.tm_mday, months[local.tm_mon],
                local.tm_year % 100, local.tm_hour, local.tm_min);
  return stamp;
}

// Value line n is stamped start + 15 minutes * n.
inline std::string TrendLog(std::time_t start, int lines) {
  std::string log = std::string(70, '-') + "\r\n";
  log += TrendStamp(start) + ",  Part #305-1234-567, Serial #12345, Address 'A'\r\n";
  log += TrendStamp(start) +
         ",  Current (mA), Forward Power (dBm), Temperature (C), Helix/Beam Volts (kV)\r\n";
  log += TrendStamp(start) + ",  Starting Heater Hours: 001234, Beam Hours: ??????\r\n";
  char line[128];
  for (int n = 0; n < lines; ++n) {
    std::snprintf(line, sizeof line, "%s,  %04.0f, %4.1f, %04.0f, %4.1f\r\n",
                  TrendStamp(start + 900 * static_cast<std::time_t>(n)).c_str(), TrendCurrent(n),
                  TrendPower(n), TrendTemperature(n), TrendVolts(n));
    log += line;
  }
  return log;
}

// 5 Jan 26, 00:00 local time: in the month after it no summer time begins or
// ends, north or south.
inline std::time_t TrendStart() {
  std::tm local{};
  local.tm_year = 126;
  local.tm_mon = 0;
  local.tm_mday = 5;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

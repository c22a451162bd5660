#include "app/wlog.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "config/log_parameters.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/operator_report.h"

namespace {

std::uint32_t last_count = 0;

// Milliseconds since an arbitrary start, wrapping like a 32-bit tick count.
std::uint32_t TickCount() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
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

// A part or serial number that names another directory never becomes part
// of a file name: the log must stay in the program directory.
bool SafeNamePart(const char* text) {
  return !std::strpbrk(text, "/\\") && !std::strstr(text, "..");
}

// The fields cut to their width, whatever was stored in them.
std::string Field(const char* field, std::size_t size) {
  return {field, strnlen(field, size - 1)};
}

void NameFor(const std::string& part, const std::string& serial, char* buffer) {
  buffer[0] = 0;
  if (!SafeNamePart(part.c_str()) || !SafeNamePart(serial.c_str())) return;
  std::snprintf(buffer, log_name_size, "%s%s %s.txt", save_directory, part.c_str(), serial.c_str());
}

// True when there is no such file or the operator confirms the identity.
bool AcceptedIfExisting(const char* name) {
  if (!name[0]) return true;
  std::FILE* existing = std::fopen(name, "rb");
  if (!existing) return true;
  std::fclose(existing);
  return AskOperator("Prior Log File Exists.  Are part/serial numbers correct?", "Confirm", false);
}

std::string PlainLogName(int address) {
  const device_struct& d = device_data[address];
  return std::string(save_directory) + Field(d.part, sizeof d.part) + " " +
         Field(d.serial, sizeof d.serial) + ".txt";
}

}  // namespace

void LogFileName(int address, char* buffer) {
  buffer[0] = 0;
  if (address < 0 || address >= device_count) return;
  const device_struct& d = device_data[address];
  NameFor(Field(d.part, sizeof d.part), Field(d.serial, sizeof d.serial), buffer);
}

bool PriorLogAccepted(const std::string& part, const std::string& serial) {
  char name[log_name_size];
  NameFor(part, serial, name);
  return AcceptedIfExisting(name);
}

int CreateLog(int device, int verify) {
  if (device < 0 || device >= device_count) return 1;
  device_struct& d = device_data[device];
  char name[log_name_size];
  LogFileName(device, name);
  // Asked before the log in use is closed: a No leaves that log open and writing.
  if (verify && !AcceptedIfExisting(name)) {
    if (!logfile[device]) CopyField(d.log_zero, "Unavailable");
    return 0;
  }
  CloseLog(device);
  // Every opening takes its starting hours from the next status answer.
  got_hours[device] = 0;
  // Append only: a log collects one amplifier's history across runs.
  logfile[device] = name[0] ? std::fopen(name, "ab") : nullptr;
  if (!logfile[device]) {
    const std::string shown = name[0] ? std::string(name) : PlainLogName(device);
    TellOperator("Warning: Unable to open " + shown + ".", "Confirm", ReportTone::warning);
    CopyField(d.log_zero, "Unavailable");
    JournalAdd(device, "log_open_failed", "Log not opened: " + shown);
    return 1;
  }
  WriteLog(device, nullptr);
  TimeStamp(d.log_zero);
  char line[96];
  std::snprintf(line, sizeof line, "Part #%s, Serial #%s, Address '%c'",
                Field(d.part, sizeof d.part).c_str(), Field(d.serial, sizeof d.serial).c_str(),
                static_cast<char>(device));
  WriteLog(device, line);
  LogComments(device);
  LogColumnTitles(device);
  JournalAdd(device, "log_opened", std::string("Log opened: ") + name);
  return 1;
}

void TimeStamp(char* buffer) {
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::snprintf(buffer, time_stamp_size, "%d %s %02d, %02d:%02d", local.tm_mday,
                months[local.tm_mon % 12], local.tm_year % 100, local.tm_hour, local.tm_min);
}

void WriteLog(int address, const char* text) {
  if (address < 0 || address >= device_count || !logfile[address]) return;
  if (!text) {
    std::fputs("----------------------------------------------------------------------\r\n",
               logfile[address]);
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

void LogComments(int address) {
  if (address < 0 || address >= device_count) return;
  const device_struct& d = device_data[address];
  const std::string comments = Field(d.comments, sizeof d.comments);
  if (!comments.empty()) WriteLog(address, ("\"" + comments + "\"").c_str());
}

void LogHours(int address) {
  if (!log_hours || address < 0 || address >= device_count) return;
  char heater[16], beam[16], line[96];
  FormatHours(heater, sizeof heater, device_data[address].heater);
  FormatHours(beam, sizeof beam, device_data[address].beam);
  std::snprintf(line, sizeof line, "Starting Heater Hours: %s, Beam Hours: %s", heater, beam);
  WriteLog(address, line);
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
  JournalAdd(address, "log_closed", "Log closed");
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

int GetLogLine(std::FILE* file, char* buffer) {
  int stored = 0;
  int c = std::fgetc(file);
  if (c == EOF) {
    buffer[0] = 0;
    return 0;
  }
  for (; c != EOF && c != '\n'; c = std::fgetc(file)) {
    buffer[stored++] = c == '\r' ? 0 : static_cast<char>(c);
    if (stored == log_line_length) break;
  }
  buffer[stored] = 0;
  return 1;
}

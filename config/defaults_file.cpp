#include "config/defaults_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "config/log_parameters.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/text_scan.h"

namespace {

// The longest file SaveConfig writes: the firmware name and room for every other line. Only
// this much is read, so that any file it wrote is seen whole and a longer one loses its tail.
constexpr std::size_t file_limit = sizeof firmware_filename + 512;

// The keyword ends at the blank before the name; the name begins behind it.
constexpr std::size_t firmware_name_start = 19;
constexpr std::size_t selection_start = 16;

struct flag_keyword {
  const char* keyword;
  int* variable;
  int value;
};

// In the order they are tried: the first keyword found in a token decides.
// "LOG_HOURS" is missing on purpose: only "LOG_NOHOURS" is ever acted on.
const flag_keyword flag_keywords[] = {
    {"LOG_CONFIG", &logging_on, 1},
    {"STD_CONFIG", &logging_on, 0},
    {"LOG_PROMPT", &log_prompt, 1},
    {"LOG_NOPROMPT", &log_prompt, 0},
    {"LOG_NOHOURS", &log_hours, 0},
    {"BRIGHT_COLOR", &bright_color, 1},
    {"DEFAULT_COLOR", &bright_color, 0},
    {"TURBO_DOWNLOAD", &turbo_download, 1},
    {"NORMAL_DOWNLOAD", &turbo_download, 0},
    {"POLL_FREQUENCY", &poll_frequency, 1},
    {"NO_FREQUENCY_POLLING", &poll_frequency, 0},
    {"QUILLON_PROTOCOL", &quillon_protocol, 1},
    {"TESSARY_PROTOCOL", &quillon_protocol, 0},
    {"RS485_2WIRE_MODE", &mode_2wire, 1},
    {"RS485_4WIRE_MODE", &mode_2wire, 0},
};

bool Has(const char* token, const char* keyword) {
  return std::strstr(token, keyword) != nullptr;
}

// The name's token is the rest of its line, commas included, less the carriage return the
// writer puts behind it; a token too short to hold any name gives an empty one.
void TakeFirmwareName(const char* token) {
  std::size_t length = std::strlen(token);
  if (length > 0 && token[length - 1] == '\r') --length;
  std::size_t name_length = length > firmware_name_start ? length - firmware_name_start : 0;
  if (name_length >= sizeof firmware_filename) name_length = sizeof firmware_filename - 1;
  std::memcpy(firmware_filename, token + firmware_name_start, name_length);
  firmware_filename[name_length] = '\0';
}

void TakeSelection(const char* token) {
  const char* selection = token + selection_start;
  const std::size_t length = std::min<std::size_t>(std::strlen(selection), log_parameter_count);
  for (log_parm_struct& parameter : log_parameter) {
    parameter.enabled = std::memchr(selection, parameter.letter[0], length) != nullptr ? 1 : 0;
  }
}

void ApplyToken(const char* token) {
  if (Has(token, "FIRMWARE_FILENAME")) return TakeFirmwareName(token);
  for (const flag_keyword& flag : flag_keywords) {
    if (Has(token, flag.keyword)) {
      *flag.variable = flag.value;
      return;
    }
  }
  const char* at = token;
  if (Has(token, "DOWNLOAD_BAUD")) {
    if (ScanSkipWord(at)) ScanSigned(at, download_baud);
  } else if (Has(token, "POLLING_INTERVAL")) {
    std::int32_t interval = 0;
    if (ScanSkipWord(at) && ScanSigned(at, interval))
      polling_interval = static_cast<std::uint32_t>(interval);
    poll_timer.Reset(static_cast<std::int32_t>(polling_interval));
  } else if (Has(token, "LOGGING_INTERVAL")) {
    if (ScanSkipWord(at)) ScanUnsigned(at, logging_interval);
  } else if (Has(token, "LOG_PARAMETERS: ")) {
    TakeSelection(token);
  }
}

// Copies the token that starts at `start` into `token` and returns where it ends: at the next
// comma or line feed, or at the end of the data. Only the firmware name's token runs to the
// end of its line, since a path may hold commas.
std::size_t NextToken(const char* data, std::size_t count, std::size_t start, char* token) {
  for (std::size_t end = start;; ++end) {
    if (end < count && data[end] != ',' && data[end] != '\n') continue;
    std::memcpy(token, data + start, end - start);
    token[end - start] = '\0';
    if (end == count || data[end] == '\n' || !Has(token, "FIRMWARE_FILENAME")) return end;
  }
}

// The name as far as its terminator, or the whole buffer when it has none.
int NameLength(const char* name, std::size_t size) {
  const void* end = std::memchr(name, '\0', size);
  return static_cast<int>(end ? static_cast<const char*>(end) - name : size);
}

bool DefaultsFileName(char* name, std::size_t size) {
  return ProgramFileName(name, size, "defaults.txt");
}

}  // namespace

void SaveConfig() {
  char selection[log_parameter_count + 1] = {};
  for (int row = 0; row < log_parameter_count; ++row) {
    selection[row] = log_parameter[row].enabled ? log_parameter[row].letter[0] : '-';
  }
  char text[file_limit];
  const int length = std::snprintf(
      text, sizeof text,
      "%s%s%s%s\r\n%s%s%s%sDOWNLOAD_BAUD: %ld\r\nFIRMWARE_FILENAME: %.*s\r\n"
      "POLLING_INTERVAL: %u seconds\r\nLOGGING_INTERVAL: %u seconds\r\nLOG_PARAMETERS: %s\r\n",
      logging_on ? "LOG_CONFIG, " : "STD_CONFIG, ", log_prompt ? "LOG_PROMPT, " : "LOG_NOPROMPT, ",
      log_hours ? "LOG_HOURS, " : "LOG_NOHOURS, ", bright_color ? "BRIGHT_COLOR" : "DEFAULT_COLOR",
      turbo_download ? "TURBO_DOWNLOAD, " : "NORMAL_DOWNLOAD, ",
      poll_frequency ? "POLL_FREQUENCY, " : "NO_FREQUENCY_POLLING, ",
      quillon_protocol ? "QUILLON_PROTOCOL, " : "TESSARY_PROTOCOL, ",
      mode_2wire ? "RS485_2WIRE_MODE, " : "RS485_4WIRE_MODE, ", static_cast<long>(download_baud),
      NameLength(firmware_filename, sizeof firmware_filename), firmware_filename,
      static_cast<unsigned>(polling_interval), static_cast<unsigned>(logging_interval), selection);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof text) return;
  char name[sizeof save_directory + 16];
  if (!DefaultsFileName(name, sizeof name)) return;
  std::FILE* file = std::fopen(name, "wb");
  if (!file) return;
  std::fwrite(text, 1, static_cast<std::size_t>(length), file);
  std::fclose(file);
}

void LoadConfig() {
  SetLogParameterDefaults();
  char name[sizeof save_directory + 16];
  if (!DefaultsFileName(name, sizeof name)) return;
  std::FILE* file = std::fopen(name, "rb");
  if (!file) return;
  char data[file_limit];
  const std::size_t count = std::fread(data, 1, sizeof data, file);
  std::fclose(file);
  char token[file_limit + 1];
  for (std::size_t start = 0; start <= count;) {
    const std::size_t end = NextToken(data, count, start, token);
    ApplyToken(token);
    start = end + 1;
  }
}

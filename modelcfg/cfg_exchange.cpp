#include "modelcfg/cfg_exchange.h"

#include <cstdio>
#include <cstring>

#include "config/formatted_text.h"
#include "link/capture.h"
#include "link/exchange.h"
#include "modelcfg/replace_file.h"

namespace {

constexpr std::size_t max_send_size = 10000;
constexpr std::size_t max_body = 250;  // a frame's command body
constexpr int frame_trim = 3;          // header and trailer bytes around the file's text

bool Fail(cfg_exchange_report& report, const std::string& text, bool by_device = false) {
  report.Failed(text, by_device);
  return false;
}

// Writes bytes to path so that it holds either its old content or the whole
// new one. "" or the message.
std::string WriteWhole(const char* path, const unsigned char* bytes, std::size_t size) {
  replacement_file file(path);
  if (!file.IsOpen()) return FormattedText("Can't open file '%s' for writing", path);
  if (!file.Write(reinterpret_cast<const char*>(bytes), size)) {
    return FormattedText("Unable to write to '%s'", path);
  }
  if (!file.Commit()) return FormattedText("Unable to save '%s'", path);
  return "";
}

// The next line of the file from at: up to and including its line feed.
std::size_t LineLength(const unsigned char* data, std::size_t size, std::size_t at) {
  const void* feed = std::memchr(data + at, '\n', size - at);
  return feed ? static_cast<const unsigned char*>(feed) - (data + at) + 1 : size - at;
}

}  // namespace

bool FetchModelCfg(const char* filename, int device, cfg_exchange_report& report) {
  const char* failed = "Command failed.  Can't retrieve configuration.";
  if (device < 0 || device > 255) return Fail(report, failed, true);
  if (!LoneCommand(device, "Y0", 2, 2000, 2)) return Fail(report, failed, true);
  const protocol_struct& reply = ProtocolBuffer(device);
  if (reply.receive_count < 2 * frame_trim) return Fail(report, failed, true);
  const std::string error =
      WriteWhole(filename, reply.response_buf + frame_trim,
                 static_cast<std::size_t>(reply.receive_count - 2 * frame_trim));
  if (!error.empty()) return Fail(report, error);
  return true;
}

bool PushModelCfg(const char* filename, int device, cfg_exchange_report& report) {
  static unsigned char data[max_send_size + 1];
  std::FILE* file = std::fopen(filename, "rb");
  if (!file) return Fail(report, FormattedText("Can't open file '%s' for reading.", filename));
  const std::size_t size = std::fread(data, 1, sizeof data, file);
  const bool read_failed = std::ferror(file) != 0;
  std::fclose(file);
  if (read_failed) return Fail(report, FormattedText("Can't read from file '%s'.", filename));
  if (size > max_send_size) {
    return Fail(report,
                FormattedText("'%s' is longer than 10000 bytes.  Nothing was sent.", filename));
  }
  // Every line must fit one command before the first goes out: a file cut
  // half way would leave the device with part of it.
  int number = 1;
  for (std::size_t at = 0; at < size; ++number) {
    const std::size_t length = LineLength(data, size, at);
    if (length + 2 > max_body) {
      char text[1300];
      std::snprintf(text, sizeof text,
                    "Line %d of '%s' is longer than %zu bytes.  Nothing was sent.", number,
                    filename, max_body - 2);
      return Fail(report, text);
    }
    at += length;
  }
  if (device < 0 || device > 255) return Fail(report, "Command Failed.", true);
  for (std::size_t at = 0; at < size;) {
    const std::size_t length = LineLength(data, size, at);
    std::string command = "Y1";
    command.append(reinterpret_cast<const char*>(data + at), length);
    at += length;
    if (command == "Y1\n") continue;
    for (std::size_t n = 2; n < command.size(); ++n) {
      if (command[n] == '\r' || command[n] == '\n') command[n] = ' ';
    }
    report.Sending(command.substr(2));
    if (!LoneCommand(device, command.data(), static_cast<int>(command.size()), 1000, 4)) {
      return Fail(report, "Command Failed.", true);
    }
  }
  return true;
}

#include "sim/service_console.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "sim/text_format.h"

namespace sim {

namespace {

constexpr char esc = 0x1B;
constexpr std::string_view console_line = "9600 8N1";
// A console that types for days must not make the simulator grow without end.
constexpr std::size_t max_lines = 1000;
constexpr std::size_t max_line = 4096;

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& byte : upper) byte = static_cast<char>(std::toupper(static_cast<unsigned char>(byte)));
  return upper;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The first word of `text`; `text` keeps what follows it, trimmed.
std::string_view Word(std::string_view* text) {
  const auto end = text->find_first_of(" \t");
  const std::string_view word = text->substr(0, end);
  *text = end == std::string_view::npos ? std::string_view() : Trimmed(text->substr(end));
  return word;
}

// A name as a directory line shows it: "VDISK    SYS      3455 01-01-95  12:00a".
std::string DirLine(const std::string& name, std::size_t size) {
  const auto dot = name.find('.');
  std::string base = name.substr(0, dot);
  std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  base.resize(std::max<std::size_t>(base.size(), 8), ' ');
  extension.resize(std::max<std::size_t>(extension.size(), 3), ' ');
  std::string count = std::to_string(size);
  count.insert(0, count.size() < 9 ? 9 - count.size() : 0, ' ');
  return base + " " + extension + count + " 01-01-95  12:00a\r\n";
}

std::string StartText(const XmodemStart& start) {
  return std::string(start.byte == 'C' ? "C " : "NAK ") + std::to_string(start.delay_ms) + " " +
         std::to_string(start.repeat_ms) + " " + std::to_string(start.tries);
}

bool ParseStart(std::string_view text, XmodemStart* start) {
  XmodemStart parsed;
  const std::string_view byte = Word(&text);
  if (byte != "C" && byte != "NAK") return false;
  parsed.byte = byte == "C" ? 'C' : 0x15;
  for (int* number : {&parsed.delay_ms, &parsed.repeat_ms, &parsed.tries}) {
    const std::string_view word = Word(&text);
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), *number);
    if (error != std::errc() || end != word.data() + word.size() || *number < 0 || *number > 600000)
      return false;
  }
  if (!text.empty() || parsed.tries < 1) return false;
  *start = parsed;
  return true;
}

}  // namespace

ServiceConsole::ServiceConsole(const ModelCfg& cfg) : cfg_(cfg) {
  // The controller's own disk, and a RAM disk that its driver makes drive D.
  drives_['C'] = {{"COMMAND.COM", std::string(1200, 'x')},
                  {"CONFIG.SYS", "DEVICE=C:\\VDISK.SYS 512\r\n"},
                  {"AUTOEXEC.BAT", "@ECHO OFF\r\nAMP.EXE\r\n"},
                  {"VDISK.SYS", std::string(3455, 'v')}};
  drives_['D'] = {};
}

void ServiceConsole::Open() {
  open_ = true;
  drive_ = 'C';
  typed_.clear();
  raw_.clear();
  after_cr_ = false;
}

void ServiceConsole::Feed(std::string_view bytes, const std::string& line, Clock::time_point now) {
  if (!open_ || bytes.empty()) return;
  line_settings_ = line;
  if (line != console_line) {
    garbled_ += static_cast<long>(bytes.size());
    return;
  }
  for (std::size_t i = 0; i < bytes.size() && open_; ++i) {
    if (peer_) {
      // The rest of this read belongs to the transfer until it ends.
      output_ += peer_->Feed(bytes.substr(i, 1), now);
      if (peer_->State() != XmodemPeer::Result::running) Finish();
      continue;
    }
    Type(bytes[i], now);
  }
}

void ServiceConsole::Type(char byte, Clock::time_point now) {
  if (byte == '\n' && after_cr_ && !lines_.empty()) {
    lines_.back().push_back('\n');
    after_cr_ = false;
    return;
  }
  after_cr_ = false;
  if (raw_.size() < max_line) raw_.push_back(byte);
  if (byte == esc) {
    // The line so far is dropped, as DOS does.
    typed_.clear();
    output_ += "\\\r\n";
  } else if (byte == '\r') {
    if (lines_.size() == max_lines) lines_.pop_front();
    lines_.push_back(raw_);
    raw_.clear();
    after_cr_ = true;
    output_ += "\r\n";
    const std::string line = typed_;
    typed_.clear();
    Execute(line, now);
  } else if (byte == '\b' || byte == 0x7F) {
    if (!typed_.empty()) {
      typed_.pop_back();
      output_ += "\b \b";
    }
  } else if (static_cast<unsigned char>(byte) >= ' ' && byte != 0x7F && typed_.size() < max_line) {
    typed_.push_back(byte);
    output_.push_back(byte);
  }
}

void ServiceConsole::Execute(std::string_view line, Clock::time_point now) {
  std::string_view rest = Trimmed(line);
  const std::string command = Upper(Word(&rest));
  if (command.empty()) {
    Prompt();
    return;
  }
  if (command.size() == 2 && command[1] == ':' &&
      std::isalpha(static_cast<unsigned char>(command[0]))) {
    if (drives_.count(command[0]) != 0) {
      drive_ = command[0];
    } else {
      output_ += "Invalid drive specification\r\n";
    }
  } else if (command == "DIR") {
    output_ += Dir(rest);
  } else if (command == "TRANSFER") {
    const std::string option = Upper(Word(&rest));
    std::string error = "Failed\r\n";
    if (option == "/S") error = SendFile(rest, now);
    if (option == "/R") error = ReceiveFile(rest, now);
    if (error.empty()) return;
    output_ += error;
  } else if (command == "RESET") {
    open_ = false;
    reset_ = true;
    return;
  } else {
    output_ += "Bad command or file name\r\n";
  }
  Prompt();
}

void ServiceConsole::Prompt() {
  output_ += "\r\n";
  output_.push_back(drive_);
  output_ += ":\\>";
}

std::optional<std::string> ServiceConsole::Find(char drive, const std::string& name) const {
  // The firmware's configuration is the live file on the controller's own disk.
  if (drive == 'C' && name == "MODEL.CFG") return cfg_.Text();
  const auto files = drives_.find(drive);
  if (files == drives_.end()) return std::nullopt;
  const auto file = files->second.find(name);
  if (file == files->second.end()) return std::nullopt;
  return file->second;
}

std::string ServiceConsole::Dir(std::string_view name) const {
  std::string text = " Volume in drive ";
  text.push_back(drive_);
  text += " has no label\r\n Directory of ";
  text.push_back(drive_);
  text += ":\\\r\n\r\n";
  Files files = drives_.at(drive_);
  if (drive_ == 'C') files["MODEL.CFG"] = cfg_.Text();
  const std::string wanted = Upper(Trimmed(name));
  std::size_t count = 0, bytes = 0;
  for (const auto& [file, content] : files) {
    if (!wanted.empty() && wanted != "*.*" && wanted != file) continue;
    text += DirLine(file, content.size());
    ++count;
    bytes += content.size();
  }
  if (count == 0) return text + "File not found\r\n";
  return text + "        " + std::to_string(count) + " file(s)  " + std::to_string(bytes) +
         " bytes\r\n";
}

std::string ServiceConsole::SendFile(std::string_view name, Clock::time_point now) {
  char drive = drive_;
  std::string file = Upper(name);
  if (file.size() > 2 && file[1] == ':') {
    drive = file[0];
    file.erase(0, 2);
  }
  const auto content = Find(drive, file);
  log_.Clear();
  log_.Add("send:" + std::string(1, drive) + ":" + file);
  if (faults_.failed || !content || file.empty()) {
    log_.Add("failed");
    return "Failed\r\n";
  }
  output_ += "Sending " + file + "\r\n";
  receiving_ = false;
  peer_ = std::make_unique<XmodemSender>(*content, faults_, log_, now);
  return "";
}

std::string ServiceConsole::ReceiveFile(std::string_view name, Clock::time_point now) {
  const std::string file = Upper(name);
  log_.Clear();
  log_.Add("receive:" + file);
  // Only a whole path onto an existing drive: "D:MODEL.CFG".
  if (faults_.failed || file.size() < 3 || file[1] != ':' || drives_.count(file[0]) == 0 ||
      file.find_first_of(" :\\", 2) != std::string::npos) {
    log_.Add("failed");
    return "Failed\r\n";
  }
  target_drive_ = file[0];
  target_name_ = file.substr(2);
  receiving_ = true;
  peer_ = std::make_unique<XmodemReceiver>(start_, faults_, log_, now);
  return "";
}

void ServiceConsole::Finish() {
  const bool done = peer_->State() == XmodemPeer::Result::done;
  if (receiving_ && done) {
    const auto* receiver = static_cast<const XmodemReceiver*>(peer_.get());
    received_ = receiver->Data();
    // The last block's padding is no part of the file.
    const auto end = received_.find_last_not_of('\x1A');
    received_.resize(end == std::string::npos ? 0 : end + 1);
    drives_[target_drive_][target_name_] = received_;
    if (target_name_ == "MODEL.CFG") new_model_cfg_ = received_;
    log_.Add("saved:" + std::to_string(received_.size()));
  }
  peer_.reset();
  if (!done) output_ += "\r\nFailed\r\n";
  Prompt();
}

void ServiceConsole::Poll(Clock::time_point now) {
  if (!peer_) return;
  output_ += peer_->Poll(now);
  if (peer_->State() != XmodemPeer::Result::running) Finish();
}

std::optional<Clock::time_point> ServiceConsole::NextWake() const {
  if (!peer_) return std::nullopt;
  return peer_->NextWake();
}

std::string ServiceConsole::TakeOutput() {
  std::string output;
  output.swap(output_);
  return output;
}

bool ServiceConsole::TakeReset() {
  const bool reset = reset_;
  reset_ = false;
  return reset;
}

std::optional<std::string> ServiceConsole::TakeModelCfg() {
  auto cfg = std::move(new_model_cfg_);
  new_model_cfg_.reset();
  return cfg;
}

std::string ServiceConsole::SetDrive(char drive, std::string_view names) {
  if (names == "none") {
    if (drive == 'C') return "drive C is always there";
    drives_.erase(drive);
    if (drive_ == drive) drive_ = 'C';
    return "";
  }
  Files files;
  while (!names.empty()) {
    const std::string name = Upper(Word(&names));
    // A listed file holds a line of its own name, enough to show a size.
    files[name] = name + "\r\n";
  }
  drives_[drive] = files;
  return "";
}

std::string ServiceConsole::StateText() const {
  std::string state = "off";
  if (open_ && peer_) {
    state =
        receiving_ ? "receiving " + std::string(1, target_drive_) + ":" + target_name_ : "sending";
  } else if (open_) {
    state = std::string("prompt ") + drive_ + ":";
  }
  if (!line_settings_.empty()) state += " line=" + line_settings_;
  return state + " garbled=" + std::to_string(garbled_);
}

std::optional<std::string> ServiceConsole::Set(std::string_view field, std::string_view value) {
  if (field == "xmodem_fault") return faults_.Parse(value);
  if (field == "xmodem_start") {
    if (ParseStart(value, &start_)) return "";
    return "xmodem_start takes C or NAK, then DELAY_MS REPEAT_MS TRIES";
  }
  if (field == "drive_c" || field == "drive_d")
    return SetDrive(field == "drive_c" ? 'C' : 'D', value);
  return std::nullopt;
}

bool ServiceConsole::Get(std::string_view field, std::string* value) const {
  if (field == "console") {
    *value = StateText();
  } else if (field == "console_lines") {
    *value = std::to_string(lines_.size());
    for (const std::string& line : lines_) *value += " " + Escaped(line, true);
  } else if (field == "xmodem_log") {
    *value = log_.Text();
  } else if (field == "xmodem_fault") {
    *value = faults_.Text();
  } else if (field == "xmodem_start") {
    *value = StartText(start_);
  } else if (field == "received") {
    *value = Escaped(received_);
  } else if (field == "drive_c" || field == "drive_d") {
    const auto files = drives_.find(field == "drive_c" ? 'C' : 'D');
    if (files == drives_.end()) {
      *value = "none";
      return true;
    }
    value->clear();
    for (const auto& [name, content] : files->second) *value += (value->empty() ? "" : " ") + name;
  } else {
    return false;
  }
  return true;
}

}  // namespace sim

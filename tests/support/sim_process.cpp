#include "support/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string_view>
#include <thread>

#include "support/spawn_process.h"

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto ready_timeout = std::chrono::seconds(10);
constexpr auto answer_timeout = std::chrono::seconds(5);
constexpr auto stop_timeout = std::chrono::seconds(5);

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

enum class LineResult { line, timeout, closed };

// One line from `fd`, waiting at most until `deadline`.
LineResult ReadLine(int fd, Clock::time_point deadline, std::string* line) {
  line->clear();
  for (;;) {
    pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, MillisecondsLeft(deadline)) <= 0) return LineResult::timeout;
    char byte;
    const ssize_t count = read(fd, &byte, 1);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) return LineResult::closed;
    if (byte == '\n') return LineResult::line;
    line->push_back(byte);
  }
}

// The one line answering a control command, read in large pieces: a trace can be long, and
// the simulator waits while it sends it. Nothing follows the line on its connection.
bool ReadAnswer(int fd, Clock::time_point deadline, std::string* answer) {
  answer->clear();
  char chunk[65536];
  for (;;) {
    pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, MillisecondsLeft(deadline)) <= 0) return false;
    const ssize_t count = read(fd, chunk, sizeof chunk);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) return false;
    answer->append(chunk, static_cast<std::size_t>(count));
    const auto end = answer->find('\n');
    if (end != std::string::npos) {
      answer->resize(end);
      return true;
    }
  }
}

// The control channel names a device by two hexadecimal digits, whatever its address.
std::string Hex(std::uint8_t value) {
  static constexpr char digits[] = "0123456789ABCDEF";
  return {digits[value >> 4], digits[value & 0x0F]};
}

// Bytes as the control channel carries them: printable ASCII other than the blank as itself,
// the rest as \xNN.
std::string Escape(const std::string& bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    if (byte > ' ' && byte < 0x7F && byte != '\\') {
      text.push_back(static_cast<char>(byte));
    } else {
      text += "\\x" + Hex(byte);
    }
  }
  return text;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes.push_back(text[i]);
      continue;
    }
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const char* first = text.data() + i + 2;
    if (text.substr(i + 1, 1) != "x" || first + 2 > end ||
        std::from_chars(first, first + 2, value, 16).ptr != first + 2)
      return std::nullopt;
    bytes.push_back(static_cast<char>(value));
    i += 3;
  }
  return bytes;
}

}  // namespace

SimProcess::SimProcess() = default;

SimProcess::~SimProcess() {
  Stop();
}

const std::string& SimProcess::LinkPath() const {
  return link_path_;
}

bool SimProcess::Start(const std::vector<std::string>& args, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  Stop();
  char pattern[] = "/tmp/corvane-sim-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    *error = std::string("mkdtemp: ") + std::strerror(errno);
    return false;
  }
  directory_ = pattern;
  link_path_ = directory_ + "/bus";
  control_path_ = directory_ + "/control";

  std::vector<std::string> words = {CORVANE_SIM_PATH};
  words.insert(words.end(), args.begin(), args.end());
  words.insert(words.end(), {"--link", link_path_, "--control", control_path_});
  if (!SpawnWithOutput(std::move(words), &pid_, &output_, error)) {
    pid_ = -1;
    Stop();
    return false;
  }
  if (!WaitReady(error) || !ReadNetwork(error)) {
    Stop();
    return false;
  }
  return true;
}

// The "network" answer: "ok port=N discovery=A.B.C.D:N A=127.0.0.10 ...", addresses as one
// character or two hexadecimal digits.
bool SimProcess::ReadNetwork(std::string* error) {
  const std::string answer = Control("network");
  if (answer.rfind("ok", 0) != 0) {
    *error = "network: " + answer;
    return false;
  }
  std::istringstream words(answer.substr(2));
  std::string word;
  while (words >> word) {
    const auto equals = word.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = word.substr(0, equals);
    const std::string value = word.substr(equals + 1);
    if (name == "port") {
      tcp_port_ = std::stoi(value);
    } else if (name == "upload") {
      upload_port_ = std::stoi(value);
    } else if (name == "discovery") {
      discovery_address_ = value;
    } else if (name.size() == 1) {
      device_addresses_[static_cast<std::uint8_t>(name[0])] = value;
    } else {
      device_addresses_[static_cast<std::uint8_t>(std::stoi(name, nullptr, 16))] = value;
    }
  }
  return true;
}

std::string SimProcess::DeviceAddress(std::uint8_t poll_address) const {
  const auto found = device_addresses_.find(poll_address);
  return found == device_addresses_.end() ? "" : found->second;
}

int SimProcess::DiscoveryPort() const {
  const auto colon = discovery_address_.find(':');
  return colon == std::string::npos ? 0 : std::stoi(discovery_address_.substr(colon + 1));
}

bool SimProcess::WaitReady(std::string* error) {
  std::string line;
  const LineResult result = ReadLine(output_, Clock::now() + ready_timeout, &line);
  if (result == LineResult::timeout) {
    *error = "corvane-sim did not get ready within 10 s";
    return false;
  }
  if (result == LineResult::closed) {
    // Its output closes as it exits.
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    *error = "corvane-sim ended at start";
    return false;
  }
  if (line != "ready " + link_path_) {
    *error = "corvane-sim said: " + line;
    return false;
  }
  return true;
}

std::string SimProcess::Control(const std::string& command) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return "error control socket: " + std::string(std::strerror(errno));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, control_path_.c_str(), sizeof address.sun_path - 1);
  std::string answer;
  const std::string line = command + "\n";
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    answer = "error control connect: " + std::string(std::strerror(errno));
  } else if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) !=
             static_cast<ssize_t>(line.size())) {
    answer = "error control send: " + std::string(std::strerror(errno));
  } else if (!ReadAnswer(fd, Clock::now() + answer_timeout, &answer)) {
    answer = "error no answer to " + command;
  }
  close(fd);
  return answer;
}

std::optional<std::string> SimProcess::Field(std::uint8_t address, const std::string& field) {
  const std::string answer = Control("get " + Hex(address) + " " + field);
  if (answer.rfind("ok", 0) != 0) return std::nullopt;
  return answer.size() > 3 ? answer.substr(3) : "";
}

std::optional<std::string> SimProcess::ModelCfg(std::uint8_t address) {
  const auto text = Field(address, "cfg");
  return text ? Unescape(*text) : std::nullopt;
}

bool SimProcess::SetModelCfg(std::uint8_t address, const std::string& bytes) {
  return Control("set " + Hex(address) + " cfg " + Escape(bytes)) == "ok";
}

std::optional<std::string> SimProcess::Y0Text(std::uint8_t address) {
  const auto text = Field(address, "y0_text");
  return text ? Unescape(*text) : std::nullopt;
}

int SimProcess::Restarts(std::uint8_t address) {
  const auto text = Field(address, "restarts");
  int count = -1;
  if (text) std::from_chars(text->data(), text->data() + text->size(), count);
  return count;
}

int SimProcess::Y0Count(std::uint8_t address) {
  const auto text = Field(address, "y0_count");
  int count = -1;
  if (text) std::from_chars(text->data(), text->data() + text->size(), count);
  return count;
}

// "COUNT WORD..." with every blank inside a word escaped.
std::optional<std::vector<std::string>> SimProcess::Words(std::uint8_t address,
                                                          const std::string& field) {
  const auto text = Field(address, field);
  if (!text) return std::nullopt;
  std::istringstream words(*text);
  std::size_t count = 0;
  if (!(words >> count)) return std::nullopt;
  std::vector<std::string> list;
  std::string word;
  while (words >> word) {
    auto bytes = Unescape(word);
    if (!bytes) return std::nullopt;
    list.push_back(std::move(*bytes));
  }
  if (list.size() != count) return std::nullopt;
  return list;
}

std::optional<std::vector<std::string>> SimProcess::Y1Bodies(std::uint8_t address) {
  return Words(address, "y1_bodies");
}

std::optional<std::string> SimProcess::UploadState(std::uint8_t address) {
  const std::string answer = Control("upload " + Hex(address));
  if (answer.rfind("ok ", 0) != 0) return std::nullopt;
  return answer.substr(3);
}

std::optional<std::string> SimProcess::UploadedFile(std::uint8_t address) {
  const std::string answer = Control("upload " + Hex(address) + " file");
  if (answer.rfind("ok", 0) != 0) return std::nullopt;
  return Unescape(answer.size() > 3 ? std::string_view(answer).substr(3) : "");
}

bool SimProcess::SetUpload(std::uint8_t address, const std::string& mode) {
  return Control("upload " + Hex(address) + " " + mode) == "ok";
}

std::string SimProcess::LineFormat() {
  const std::string answer = Control("line_format");
  return answer.rfind("ok ", 0) == 0 ? answer.substr(3) : "";
}

std::string SimProcess::LineHandshake() {
  const std::string answer = Control("line_handshake");
  return answer.rfind("ok ", 0) == 0 ? answer.substr(3) : "";
}

std::optional<std::string> SimProcess::ConsoleState(std::uint8_t address) {
  return Field(address, "console");
}

std::optional<std::vector<std::string>> SimProcess::ConsoleLines(std::uint8_t address) {
  return Words(address, "console_lines");
}

std::optional<std::string> SimProcess::TransferLog(std::uint8_t address) {
  return Field(address, "xmodem_log");
}

bool SimProcess::SetTransferFaults(std::uint8_t address, const std::string& faults) {
  return Control("set " + Hex(address) + " xmodem_fault " + faults) == "ok";
}

bool SimProcess::SetReceiverStart(std::uint8_t address, char byte, int delay_ms, int repeat_ms,
                                  int tries) {
  const std::string start = byte == 'C' ? "C" : "NAK";
  return Control("set " + Hex(address) + " xmodem_start " + start + " " + std::to_string(delay_ms) +
                 " " + std::to_string(repeat_ms) + " " + std::to_string(tries)) == "ok";
}

bool SimProcess::SetDrive(std::uint8_t address, char drive, const std::string& names) {
  const std::string field = drive == 'D' || drive == 'd' ? " drive_d " : " drive_c ";
  return Control("set " + Hex(address) + field + names) == "ok";
}

std::optional<std::string> SimProcess::ReceivedFile(std::uint8_t address) {
  const auto text = Field(address, "received");
  return text ? Unescape(*text) : std::nullopt;
}

bool SimProcess::SetY1Fault(std::uint8_t address, Y1Fault fault, int from) {
  const char* kind = fault == Y1Fault::silent ? "silent " : fault == Y1Fault::nak ? "nak " : "";
  const std::string value = fault == Y1Fault::none ? "off" : kind + std::to_string(from);
  return Control("set " + Hex(address) + " y1_fault " + value) == "ok";
}

bool SimProcess::SetY0Fault(std::uint8_t address, Y0Fault fault) {
  static constexpr const char* names[] = {"off", "short", "oversize", "binary"};
  return Control("set " + Hex(address) + " y0_fault " + names[static_cast<int>(fault)]) == "ok";
}

std::optional<std::string> SimProcess::DeviceLine(std::uint8_t address) {
  const std::string answer = Control("serial " + Hex(address));
  if (answer.rfind("ok ", 0) != 0) return std::nullopt;
  return answer.substr(3);
}

bool SimProcess::SetDeviceLine(std::uint8_t address, const std::string& spec) {
  return Control("serial " + Hex(address) + " " + spec) == "ok";
}

bool SimProcess::SetPace(bool on) {
  return Control(on ? "pace on" : "pace off") == "ok";
}

namespace {

// "MS,AA,SPEED,STOP,CFLAG,BODY", the body escaped and last, so that its commas stay in it.
std::optional<TraceEntry> ParseTraceEntry(std::string_view word) {
  std::string_view fields[5];
  for (auto& field : fields) {
    const auto comma = word.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    field = word.substr(0, comma);
    word.remove_prefix(comma + 1);
  }
  auto number = [](std::string_view text, int base, auto* value) {
    return std::from_chars(text.data(), text.data() + text.size(), *value, base).ptr ==
               text.data() + text.size() &&
           !text.empty();
  };
  TraceEntry entry{};
  auto body = Unescape(word);
  if (!body || !number(fields[0], 10, &entry.ms) || !number(fields[1], 16, &entry.address) ||
      !number(fields[2], 10, &entry.speed) || !number(fields[3], 10, &entry.stop_bits) ||
      !number(fields[4], 16, &entry.cflag))
    return std::nullopt;
  entry.body = std::move(*body);
  return entry;
}

}  // namespace

std::optional<std::vector<TraceEntry>> SimProcess::Trace() {
  const std::string answer = Control("trace");
  if (answer.rfind("ok ", 0) != 0) return std::nullopt;
  std::istringstream words(answer.substr(3));
  std::size_t count = 0;
  if (!(words >> count)) return std::nullopt;
  std::vector<TraceEntry> entries;
  std::string word;
  while (words >> word) {
    auto entry = ParseTraceEntry(word);
    if (!entry) return std::nullopt;
    entries.push_back(std::move(*entry));
  }
  if (entries.size() != count) return std::nullopt;
  return entries;
}

bool SimProcess::ClearTrace() {
  return Control("trace clear") == "ok";
}

std::string FirmwareHash(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001b3ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

namespace {

std::optional<long> Number(std::string_view text) {
  long value = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || std::from_chars(text.data(), end, value).ptr != end) return std::nullopt;
  return value;
}

// "1,2,7" (or "-" for none) to numbers; "9600*2,57600*1" expands each speed by its count.
bool NumberList(std::string_view text, bool counted, std::vector<long>* list) {
  if (text == "-") return true;
  while (!text.empty()) {
    const auto comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    std::optional<long> times = 1;
    if (counted) {
      const auto star = item.find('*');
      if (star == std::string_view::npos) return false;
      times = Number(item.substr(star + 1));
      item = item.substr(0, star);
    }
    const auto value = Number(item);
    if (!value || !times) return false;
    list->insert(list->end(), static_cast<std::size_t>(*times), *value);
  }
  return true;
}

}  // namespace

std::optional<FirmwareState> SimProcess::Firmware(std::uint8_t address) {
  const auto text = Field(address, "firmware");
  if (!text) return std::nullopt;
  FirmwareState state;
  std::istringstream words(*text);
  std::string word;
  while (words >> word) {
    const auto equals = word.find('=');
    if (equals == std::string::npos) return std::nullopt;
    const std::string key = word.substr(0, equals);
    const std::string_view value = std::string_view(word).substr(equals + 1);
    bool good = true;
    auto number = [&](long* field) {
      const auto parsed = Number(value);
      good = parsed.has_value();
      if (parsed) *field = *parsed;
    };
    if (key == "announced") {
      number(&state.announced);
    } else if (key == "chunks") {
      number(&state.chunks);
    } else if (key == "repeats") {
      number(&state.repeats);
    } else if (key == "mismatches") {
      number(&state.mismatches);
    } else if (key == "finish_count") {
      number(&state.finish_count);
    } else if (key == "gaps") {
      good = NumberList(value, false, &state.gaps);
    } else if (key == "rates") {
      good = NumberList(value, true, &state.rates);
    } else if (key == "hash") {
      state.hash = value == "-" ? "" : std::string(value);
    } else if (key == "finished") {
      state.finished = value == "yes";
    }
    if (!good) return std::nullopt;
  }
  return state;
}

bool SimProcess::SetFirmwareFaults(std::uint8_t address, const std::string& faults) {
  return Control("set " + Hex(address) + " firmware_fault " + faults) == "ok";
}

bool SimProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == 0) return true;
  pid_ = -1;
  return false;
}

void SimProcess::Stop() {
  if (Running()) {
    kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + stop_timeout;
    while (Running() && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (Running()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }
  if (output_ >= 0) {
    close(output_);
    output_ = -1;
  }
  tcp_port_ = 0;
  upload_port_ = 0;
  discovery_address_.clear();
  device_addresses_.clear();
  if (!directory_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
    directory_.clear();
  }
}

bool SimProcess::SetFaultLog(std::uint8_t address, const std::string& setting) {
  return Control("faultlog " + Hex(address) + " " + setting) == "ok";
}

bool SimProcess::SetFaultLogBytes(std::uint8_t address, const std::string& bytes) {
  return SetFaultLog(address, "raw " + Escape(bytes));
}

int SimProcess::FaultLogRequests(std::uint8_t address) {
  const auto text = Field(address, "faultlog_requests");
  int count = -1;
  if (text) std::from_chars(text->data(), text->data() + text->size(), count);
  return count;
}

}  // namespace test_support

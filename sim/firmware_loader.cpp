#include "sim/firmware_loader.h"

#include <charconv>

namespace sim {

namespace {

constexpr std::size_t chunk_size = 100;
constexpr std::size_t number_digits = 5;
// The chunk number has five digits, so no image holds more chunks.
constexpr long max_chunks = 99999;
// A download of the largest image and its setup commands fit; older speeds are forgotten.
constexpr std::size_t max_speeds = 200000;

Answer Refused() {
  return Answer{true, false, {}};
}

Answer Replied(std::string body) {
  return Answer{false, false, std::move(body)};
}

// Only digits, all of them taken; nothing for anything else.
std::optional<long> Digits(std::string_view text) {
  long value = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos ||
      std::from_chars(text.data(), end, value).ptr != end)
    return std::nullopt;
  return value;
}

long ChunksFor(long size) {
  return (size + static_cast<long>(chunk_size) - 1) / static_cast<long>(chunk_size);
}

// "9600*2,57600*5": each speed with how many commands in a row came at it.
std::string RunLengths(const std::deque<long>& speeds) {
  std::string text;
  for (std::size_t i = 0; i < speeds.size();) {
    std::size_t run = 1;
    while (i + run < speeds.size() && speeds[i + run] == speeds[i]) ++run;
    if (!text.empty()) text.push_back(',');
    text += std::to_string(speeds[i]) + "*" + std::to_string(run);
    i += run;
  }
  return text.empty() ? "-" : text;
}

}  // namespace

std::string Fnv1a64(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001b3ULL;
  }
  static constexpr char digits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) text[static_cast<std::size_t>(i)] = digits[hash & 15];
  return text;
}

Answer FirmwareLoader::Start(std::string_view rest) {
  // "Y2 %ld": one blank, then the size.
  const auto size = rest.substr(0, 1) == " " ? Digits(rest.substr(1)) : std::nullopt;
  if (faults_.refuse_y2 || !size || *size < 1 || ChunksFor(*size) > max_chunks) return Refused();
  announced_ = *size;
  image_.assign(static_cast<std::size_t>(ChunksFor(*size)) * chunk_size, '\0');
  received_.assign(static_cast<std::size_t>(ChunksFor(*size)), false);
  chunks_ = repeats_ = mismatches_ = 0;
  highest_ = -1;
  finished_ = false;
  finish_count_ = -1;
  return Replied("Y2");
}

Answer FirmwareLoader::Store(std::string_view rest) {
  if (rest.size() != number_digits + chunk_size || announced_ < 0) return Refused();
  const auto number = Digits(rest.substr(0, number_digits));
  if (!number || *number >= static_cast<long>(received_.size())) return Refused();
  const auto index = static_cast<std::size_t>(*number);
  const std::string_view bytes = rest.substr(number_digits);
  if (received_[index]) {
    ++repeats_;
    if (image_.compare(index * chunk_size, chunk_size, bytes) != 0) ++mismatches_;
  } else {
    received_[index] = true;
    ++chunks_;
  }
  // The newest copy wins, as it would in the device's flash.
  image_.replace(index * chunk_size, chunk_size, bytes);
  if (*number > highest_) highest_ = *number;
  // A withheld answer: the chunk was taken, only the console does not hear so.
  const auto silent = faults_.silent_chunks.find(*number);
  if (silent != faults_.silent_chunks.end() && silent->second > 0) {
    --silent->second;
    return Answer{false, false, {}, true};
  }
  return Replied("Y3" + std::string(rest.substr(0, number_digits)));
}

Answer FirmwareLoader::Finish(std::string_view rest, bool* reboot) {
  *reboot = false;
  const auto count = rest.size() == number_digits ? Digits(rest) : std::nullopt;
  if (!count || announced_ < 0) return Refused();
  finish_count_ = *count;
  if (*count != ChunksFor(announced_)) return Refused();
  finished_ = true;
  *reboot = true;
  return Replied("Y4");
}

void FirmwareLoader::Note(long speed) {
  if (speeds_.size() == max_speeds) speeds_.pop_front();
  speeds_.push_back(speed);
}

bool FirmwareLoader::LoseSpeedAnswer() {
  const bool lose = faults_.lose_speed_answer;
  faults_.lose_speed_answer = false;
  return lose;
}

std::string FirmwareLoader::SetFaults(std::string_view value) {
  static constexpr std::string_view usage =
      "firmware_fault takes off, or silent_chunk=K:TRIES, refuse_y2, lose_speed_answer";
  Faults faults;
  if (value.empty()) return std::string(usage);
  if (value == "off") {
    faults_ = faults;
    return "";
  }
  while (!value.empty()) {
    const auto blank = value.find(' ');
    const std::string_view word = value.substr(0, blank);
    value = blank == std::string_view::npos ? std::string_view() : value.substr(blank + 1);
    if (word == "refuse_y2") {
      faults.refuse_y2 = true;
    } else if (word == "lose_speed_answer") {
      faults.lose_speed_answer = true;
    } else if (word.substr(0, 13) == "silent_chunk=") {
      const std::string_view setting = word.substr(13);
      const auto colon = setting.find(':');
      const auto chunk = Digits(setting.substr(0, colon));
      const auto tries =
          colon == std::string_view::npos ? std::nullopt : Digits(setting.substr(colon + 1));
      if (!chunk || !tries || *chunk > max_chunks) return std::string(usage);
      faults.silent_chunks[*chunk] = *tries;
    } else if (!word.empty()) {
      return std::string(usage);
    }
  }
  faults_ = faults;
  return "";
}

std::string FirmwareLoader::FaultText() const {
  std::string text;
  for (const auto& [chunk, tries] : faults_.silent_chunks) {
    if (tries > 0) text += " silent_chunk=" + std::to_string(chunk) + ":" + std::to_string(tries);
  }
  if (faults_.refuse_y2) text += " refuse_y2";
  if (faults_.lose_speed_answer) text += " lose_speed_answer";
  return text.empty() ? "off" : text.substr(1);
}

std::string FirmwareLoader::Report() const {
  std::string gaps;
  for (long chunk = 0; chunk < highest_; ++chunk) {
    if (!received_[static_cast<std::size_t>(chunk)])
      gaps += (gaps.empty() ? "" : ",") + std::to_string(chunk);
  }
  const std::string hash =
      announced_ < 0
          ? "-"
          : Fnv1a64(std::string_view(image_).substr(0, static_cast<std::size_t>(announced_)));
  return "announced=" + std::to_string(announced_) + " chunks=" + std::to_string(chunks_) +
         " repeats=" + std::to_string(repeats_) + " mismatches=" + std::to_string(mismatches_) +
         " gaps=" + (gaps.empty() ? "-" : gaps) + " hash=" + hash +
         " finished=" + (finished_ ? "yes" : "no") +
         " finish_count=" + std::to_string(finish_count_) + " rates=" + RunLengths(speeds_);
}

std::optional<std::string> FirmwareLoader::Set(std::string_view field, std::string_view value) {
  if (field == "firmware_fault") return SetFaults(value);
  return std::nullopt;
}

bool FirmwareLoader::Get(std::string_view field, std::string* value) const {
  if (field == "firmware") {
    *value = Report();
  } else if (field == "firmware_fault") {
    *value = FaultText();
  } else {
    return false;
  }
  return true;
}

}  // namespace sim

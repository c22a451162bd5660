#include "app/trend_series.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>

#include "app/wlog.h"

namespace {

constexpr std::string_view months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// "6 Dec 26, 05:09" is followed by a comma and two blanks.
constexpr std::string_view stamp_end = ",  ";
constexpr std::string_view starting_hours = "Starting Heater Hours: ";
constexpr std::string_view ending_hours = "Ending Heater Hours: ";
constexpr std::string_view beam_hours = ", Beam Hours: ";

bool Digit(char c) {
  return c >= '0' && c <= '9';
}

// Reads exactly count digits at text[at]; advances at.
std::optional<int> Digits(std::string_view text, std::size_t& at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!Digit(text[at + i])) return std::nullopt;
    value = value * 10 + (text[at + i] - '0');
  }
  at += count;
  return value;
}

bool Expect(std::string_view text, std::size_t& at, std::string_view what) {
  if (text.substr(at, what.size()) != what) return false;
  at += what.size();
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<double> ReadingValue(std::string_view field) {
  field = Trim(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (field.empty() || error != std::errc() || end != field.data() + field.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

namespace {

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t comma = text.find(", ");
    fields.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) return fields;
    text.remove_prefix(comma + 2);
  }
}

bool HasLetter(std::string_view text) {
  for (char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  }
  return false;
}

class LogReader {
 public:
  explicit LogReader(std::vector<trend_series>& series) : series_(series) {}

  void Line(std::string_view line) {
    std::size_t at = 0;
    const std::optional<std::int64_t> time = StampAt(line, at);
    if (!time) return;
    const std::string_view text = line.substr(at);
    if (text.empty() || text.front() == '"' || text.starts_with("Part #")) return;
    if (text.starts_with(starting_hours)) return Hours(*time, text.substr(starting_hours.size()));
    if (text.starts_with(ending_hours)) return Hours(*time, text.substr(ending_hours.size()));
    const std::vector<std::string_view> fields = Fields(text);
    std::vector<std::optional<double>> values;
    values.reserve(fields.size());
    bool any_number = false, any_title = false;
    for (std::string_view field : fields) {
      values.push_back(ReadingValue(field));
      any_number = any_number || values.back();
      any_title = any_title || (HasLetter(field) && field.find('?') == std::string_view::npos);
    }
    if (!any_number && any_title) return Titles(fields);
    // A line with more values than titles cannot be matched to its columns.
    if (values.size() > columns_.size()) return;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (values[i]) series_[columns_[i]].points.push_back({*time, *values[i]});
    }
  }

 private:
  void Titles(const std::vector<std::string_view>& fields) {
    columns_.clear();
    for (std::string_view field : fields) columns_.push_back(IndexOf(std::string(Trim(field))));
  }

  // "000123, Beam Hours: 000045"; "??????" is not known yet.
  void Hours(std::int64_t time, std::string_view text) {
    const std::size_t beam = text.find(beam_hours);
    if (beam == std::string_view::npos) return;
    if (const auto heater = ReadingValue(text.substr(0, beam)))
      series_[IndexOf("Heater Hours")].points.push_back({time, *heater});
    if (const auto value = ReadingValue(text.substr(beam + beam_hours.size())))
      series_[IndexOf("Beam Hours")].points.push_back({time, *value});
  }

  std::size_t IndexOf(const std::string& name) {
    SeriesNamed(series_, name);
    for (std::size_t i = 0; i < series_.size(); ++i) {
      if (series_[i].name == name) return i;
    }
    return 0;
  }

  static std::optional<std::int64_t> StampAt(std::string_view line, std::size_t& at) {
    const std::size_t end = line.find(stamp_end);
    if (end == std::string_view::npos) return std::nullopt;
    const auto time = ParseLogTime(line.substr(0, end));
    at = end + stamp_end.size();
    return time;
  }

  std::vector<trend_series>& series_;
  std::vector<std::size_t> columns_;  // series index of each value column
};

}  // namespace

std::optional<std::int64_t> ParseLogTime(std::string_view stamp) {
  std::size_t at = 0;
  std::optional<int> day = Digits(stamp, at, 2);
  if (!day) day = Digits(stamp, at, 1);
  if (!day || !Expect(stamp, at, " ")) return std::nullopt;
  int month = -1;
  for (int m = 0; m < 12; ++m) {
    if (stamp.substr(at, 3) == months[m]) month = m;
  }
  at += 3;
  if (month < 0 || !Expect(stamp, at, " ")) return std::nullopt;
  const std::optional<int> year = Digits(stamp, at, 2);
  if (!year || !Expect(stamp, at, ", ")) return std::nullopt;
  const std::optional<int> hour = Digits(stamp, at, 2);
  if (!hour || !Expect(stamp, at, ":")) return std::nullopt;
  const std::optional<int> minute = Digits(stamp, at, 2);
  if (!minute || at != stamp.size()) return std::nullopt;
  if (*day < 1 || *day > 31 || *hour > 23 || *minute > 59) return std::nullopt;
  std::tm local{};
  local.tm_year = 100 + *year;
  local.tm_mon = month;
  local.tm_mday = *day;
  local.tm_hour = *hour;
  local.tm_min = *minute;
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<std::int64_t>(seconds) * 1000;
}

trend_series& SeriesNamed(std::vector<trend_series>& series, const std::string& name) {
  for (trend_series& one : series) {
    if (one.name == name) return one;
  }
  series.push_back({name, {}});
  return series.back();
}

void ReadTrendLog(std::FILE* file, std::vector<trend_series>& series) {
  LogReader reader(series);
  char buffer[log_line_length + 1];
  bool long_line = false;
  while (GetLogLine(file, buffer)) {
    const std::size_t length = std::strlen(buffer);
    // A full buffer means the line goes on: no log line is that long, so the
    // whole line, all its pieces, is skipped.
    const bool continues = length == static_cast<std::size_t>(log_line_length);
    if (!long_line && !continues) reader.Line({buffer, length});
    long_line = continues;
  }
}

std::vector<trend_series> ReadTrendLogFile(const std::string& path) {
  std::vector<trend_series> series;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return series;
  ReadTrendLog(file, series);
  std::fclose(file);
  return series;
}

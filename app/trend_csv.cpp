#include "app/trend_csv.h"

#include <charconv>
#include <ctime>
#include <fstream>
#include <map>
#include <utility>

namespace {

std::string LocalSeconds(std::int64_t ms) {
  // Whole seconds, rounded down also before 1970.
  const std::time_t seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local));
}

std::string NumberText(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return {text, result.ptr};
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

bool WriteTrendCsv(const std::string& path, const std::vector<trend_series>& series,
                   std::int64_t from_ms, std::int64_t to_ms) {
  std::map<std::pair<std::int64_t, int>, std::vector<std::string>> rows;
  for (std::size_t column = 0; column < series.size(); ++column) {
    std::map<std::int64_t, int> seen;
    for (const trend_point& point : series[column].points) {
      if (point.time_ms < from_ms || point.time_ms > to_ms) continue;
      std::vector<std::string>& row = rows[{point.time_ms, seen[point.time_ms]++}];
      row.resize(series.size());
      row[column] = NumberText(point.value);
    }
  }
  std::ofstream out(path, std::ios::binary);
  out << "Time";
  for (const trend_series& one : series) out << ',' << CsvField(one.name);
  out << "\r\n";
  for (const auto& [key, row] : rows) {
    out << LocalSeconds(key.first);
    for (const std::string& value : row) out << ',' << value;
    out << "\r\n";
  }
  out.flush();
  return static_cast<bool>(out);
}

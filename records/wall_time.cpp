#include "records/wall_time.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

// The digits never follow the locale: printf's %d has no grouping.
std::string Stamp(const std::tm& t, std::int64_t ms, const char* between, const char* after) {
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d%s%02d:%02d:%02d.%03d%s", t.tm_year + 1900,
                t.tm_mon + 1, t.tm_mday, between, t.tm_hour, t.tm_min, t.tm_sec,
                static_cast<int>(ms % 1000), after);
  return text;
}

}  // namespace

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string UtcTime(std::int64_t ms) {
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  return Stamp(utc, ms, "T", "Z");
}

std::string LocalTime(std::int64_t ms) {
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  return Stamp(local, ms, " ", "");
}

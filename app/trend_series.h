// An amplifier's readings over time, read back from its status log: one
// series per logged column, named by the column's title.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct trend_point {
  std::int64_t time_ms = 0;  // milliseconds since 1970, UTC
  double value = 0;
};

struct trend_series {
  std::string name;
  std::vector<trend_point> points;  // in the order the log holds them
};

// A reading as the device sent it ("45.3", " 7.2"), read in C conventions
// whatever the locale; none for "????" and anything else that is no number.
std::optional<double> ReadingValue(std::string_view field);

// A log time stamp ("6 Dec 26, 05:09", local time) as milliseconds since 1970.
std::optional<std::int64_t> ParseLogTime(std::string_view stamp);

// Appends to series (found by name, added when new) every readable value of
// the log: each value line gives one point per column of the titles line
// before it. Unknown values ("????"), unreadable fields, lines without a
// time stamp and over-long lines are skipped.
void ReadTrendLog(std::FILE* file, std::vector<trend_series>& series);
// The same for a file by name; an empty result when it cannot be opened.
std::vector<trend_series> ReadTrendLogFile(const std::string& path);

// The series of that name, added at the end when there is none yet.
trend_series& SeriesNamed(std::vector<trend_series>& series, const std::string& name);

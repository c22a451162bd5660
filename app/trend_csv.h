// The Trends window's export: the points of a time range as CSV.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/trend_series.h"

// "Time" (local, "2026-12-08 15:30:00") and one column per series, the
// values in C notation whatever the locale; one row per time, a second row
// when a series holds two points at one time. CR LF lines. False when the
// file cannot be written whole.
bool WriteTrendCsv(const std::string& path, const std::vector<trend_series>& series,
                   std::int64_t from_ms, std::int64_t to_ms);

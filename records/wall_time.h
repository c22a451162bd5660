// Wall-clock times of events as the console stamps and shows them.
#pragma once

#include <cstdint>
#include <string>

// Milliseconds since 1970, UTC.
std::int64_t NowMs();
// "2026-12-08T15:30:00.123Z".
std::string UtcTime(std::int64_t ms);
// "2026-12-08 16:30:00.123" in the local time zone.
std::string LocalTime(std::int64_t ms);

// What the gateway makes of a device's record besides its state document: the
// times in its messages and the address as it appears in topics.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

// Milliseconds since 1970 as "2026-12-08T15:30:00.123Z".
std::string UtcTime(std::int64_t ms);

// An address in a topic level: its character when a letter or digit, else
// two hexadecimal digits ("07"), so that no level holds '+', '#' or '/'.
std::string TopicAddress(int address);
std::optional<int> ParseTopicAddress(std::string_view level);

// What the gateway makes of a device's record besides its state document: the
// times in its messages and the address as it appears in topics.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "records/wall_time.h"

// An address in a topic level: its character when a letter or digit, else
// two hexadecimal digits ("07"), so that no level holds '+', '#' or '/'.
std::string TopicAddress(int address);
std::optional<int> ParseTopicAddress(std::string_view level);

// What the gateway makes of a device's record besides its state document: the
// transitions worth an event, and the address as it appears in topics.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/device_records.h"

// The states whose changes are events. Lamps are only known while the device
// answers: they are compared with the last values seen in contact.
struct device_flags {
  bool contact = false;
  bool hv_on = false;
  bool alarm = false;
  bool fault = false;
};

// The flags after a polling step; out of contact, the lamps stay as last seen.
device_flags FlagsOf(const device_struct& record, bool contact, const device_flags& before);

// "fault_raised", "contact_lost", "hv_on"... for every change from before to
// after, in a fixed order. Losing contact reports only that: a silent
// device's lamps are unknown, not cleared.
std::vector<std::string> Transitions(const device_flags& before, const device_flags& after);

// Milliseconds since 1970 as "2026-12-08T15:30:00.123Z".
std::string UtcTime(std::int64_t ms);

// An address in a topic level: its character when a letter or digit, else
// two hexadecimal digits ("07"), so that no level holds '+', '#' or '/'.
std::string TopicAddress(int address);
std::optional<int> ParseTopicAddress(std::string_view level);

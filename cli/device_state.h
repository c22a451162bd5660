// A device's record as JSON, the same for every subcommand that reports it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "records/wall_time.h"

// address, contact, lamps, readings (those the status poll carries),
// display rows, hours and identity.
nlohmann::json DeviceState(int address);
// The state as text for people: one line per subject.
std::string DeviceStateText(const nlohmann::json& state);

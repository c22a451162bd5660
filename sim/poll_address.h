// Poll addresses as the operator writes them: one character stands for its own code, two
// characters are hexadecimal digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

std::optional<std::uint8_t> ParsePollAddress(std::string_view text);
// 'A' for printable addresses, 07h otherwise.
std::string FormatPollAddress(std::uint8_t address);

}  // namespace sim

// Number and text formatting for answer fields, display rows and the control channel.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// Exactly `width` characters with `decimals` places, the value held to what fits.
std::string Fixed(double value, int width, int decimals, bool sign = false);
// Six digits with leading zeros, held to 0..999999.
std::string Hours(double hours);
// Cut or padded with blanks to exactly `width` characters.
std::string Column(std::string_view text, std::size_t width);
// Plain decimal text: 12.5, 0.0.
std::string Decimal(double value, int decimals);
// Each byte as two hexadecimal digits, separated by blanks: "30 04".
std::string HexBytes(std::string_view bytes);
// Display text from the control channel: every byte that is not printable ASCII becomes a
// blank, so that no framing byte can reach an answer.
std::string Printable(std::string_view text);
// Printable ASCII stays, every other byte becomes \xNN; with blank_escaped the blank too,
// so that the text is one word.
std::string Escaped(std::string_view bytes, bool blank_escaped = false);
// The bytes back from Escaped; false when a \ is not followed by x and two hex digits.
bool Unescaped(std::string_view text, std::string* bytes);
// "on"/"off" to a flag; false when it is neither.
bool ParseSwitch(std::string_view text, bool* on);
bool ParseNumber(std::string_view text, double* value);

}  // namespace sim

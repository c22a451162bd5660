// Poll addresses as the operator types and reads them.
#pragma once

#include <string>

// Two or more characters: hexadecimal; one character: its own code; empty: 0.
// -1 when refused (not hexadecimal, above 255, a single character above 127).
int ParsePollAddress(const std::string& text);
// Its character when printable, else two hexadecimal digits.
std::string AddressText(int address);

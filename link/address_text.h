// Poll addresses as the operator types and reads them in the scan dialog:
// a number, or a character standing for its code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// At most this many characters of an address field are read.
constexpr int address_text_limit = 19;

// 1 for a separator of the address fields: blank, tab, hyphen, apostrophe,
// double quote.
int skipchar(int c);

struct AddressRange {
  std::int32_t start = 0;
  std::int32_t stop = 0;
};

// "0-255", "A-Z", "B", "20 10" (taken as 10 to 20). Empty text keeps old; a
// first value outside 0-255 gives 65 to 65, a second one outside gives the first.
AddressRange ReadAddressRange(std::string_view text, AddressRange old);
// The first value only; outside 0-255 gives 65, empty text keeps old.
std::int32_t ReadTargetAddress(std::string_view text, std::int32_t old);

// The address as a character when that reads back as the same address,
// else as a number.
std::string ScanAddressText(std::int32_t address);
// "A - Z"
std::string ScanRangeText(AddressRange range);

#include "cli/gateway_state.h"

#include <cstdio>
#include <ctime>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Alphanumeric(int c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string TopicAddress(int address) {
  if (Alphanumeric(address)) return std::string(1, static_cast<char>(address));
  static constexpr char digits[] = "0123456789ABCDEF";
  return {digits[(address >> 4) & 0xF], digits[address & 0xF]};
}

std::optional<int> ParseTopicAddress(std::string_view level) {
  if (level.size() == 1 && Alphanumeric(level[0])) return level[0];
  if (level.size() != 2) return std::nullopt;
  const int high = HexDigit(level[0]);
  const int low = HexDigit(level[1]);
  if (high < 0 || low < 0) return std::nullopt;
  return high * 16 + low;
}

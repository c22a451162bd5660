// printf into a string as long as the text needs, for the program's own
// messages and commands: a deep program directory or a long path must never
// be cut off.
#pragma once

#include <string>

// The text up to its first zero byte (a %c of 0 ends it there).
[[gnu::format(printf, 1, 2)]] std::string FormattedText(const char* format, ...);

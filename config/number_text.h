// Decimal numbers as text with C conventions, whatever locale the process
// runs under: a dot before the fraction, no grouping. Every number on the
// wire and in the files goes through here or through std::to_chars.
#pragma once

#include <cstddef>
#include <string_view>

// What printf's "%W.Pf" (or "%0W.Pf" with zero_fill) writes, cut to size - 1
// characters and terminated; returns the length written.
int FormatFixed(char* out, std::size_t size, double value, int width, int precision,
                bool zero_fill);

// The decimal number at the start of text as strtod reads it: blanks skipped,
// an optional sign, digits with an optional fraction and exponent; 0 when
// there is none. Unlike strtod it takes no "inf", "nan" or hexadecimal.
double LeadingNumber(std::string_view text);

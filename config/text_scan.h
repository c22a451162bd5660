// The few scanf conversions that the settings files are read with, on a cursor
// into NUL-terminated text. Unlike scanf they are defined for numbers out of
// range (clamped like strtol) and never write past the buffer given.
#pragma once

#include <cstddef>
#include <cstdint>

// "%*s": skips blanks and one word.
bool ScanSkipWord(const char*& at);

// "%Ns" with N = width: out must hold width + 1 characters.
bool ScanWord(const char*& at, char* out, std::size_t width);

// " %c": skips blanks and takes one character.
bool ScanChar(const char*& at, char& out);

// "%d" and "%ld" into a 32-bit value.
bool ScanSigned(const char*& at, std::int32_t& out);

// "%u" into a 32-bit value; a negative number wraps as strtoul makes it.
bool ScanUnsigned(const char*& at, std::uint32_t& out);

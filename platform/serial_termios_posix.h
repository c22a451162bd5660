// The terminal settings for a line format, kept apart from the device so that
// they can be checked without one. Linux's termios2 carries any rate.
#pragma once

#include <asm/termbits.h>

#include "platform/serial_port.h"

namespace platform {

// Raw mode with the given format. Every flag that affects the line comes from
// the format; only parity checking may be kept from the current settings
// (ParityCheck::keep). false for a rate, size or stop-bit count that cannot
// be expressed.
bool BuildTermios(const termios2& current, const LineFormat& format, termios2* result);

}  // namespace platform

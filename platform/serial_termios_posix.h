// The terminal settings for a line format, kept apart from the device so that
// they can be checked without one.
#pragma once

#include <termios.h>

#include "platform/serial_port.h"

namespace platform {

// Raw mode with the given format, starting from the driver's current
// settings; false for a rate, size, parity or stop-bit count it cannot express.
bool BuildTermios(const termios& current, const LineFormat& format, termios* result);

}  // namespace platform

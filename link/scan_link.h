// What the bus scan and the device setup need of the link: reconfiguring the
// port, one exchange at a time and a monotonic clock. Tests put a fake in
// place of the serial line.
#pragma once

#include <cstdint>

#include "link/capture.h"

class ScanLink {
 public:
  virtual ~ScanLink() = default;
  // The serial line is the link in use and its port is open.
  virtual bool Usable() = 0;
  // Reconfigures the open port (rate, parity code, data bits, stop-bit code
  // as the link settings store them); false when not Usable or refused.
  virtual bool Setup(std::int32_t baud, std::uint8_t parity, std::uint8_t data,
                     std::uint8_t stop) = 0;
  // Sends the body to the address and waits up to timeout ms per try for a
  // valid answer, left in Reply(). length 0: up to the terminating zero.
  virtual bool Command(int address, const char* body, int length, int timeout, int tries) = 0;
  virtual const protocol_struct& Reply() = 0;
  // Opens the port afresh at the link settings; false when it could not.
  virtual bool Reopen() = 0;
  virtual std::int64_t NowMsec() = 0;
};

// The serial line, unless a test has put its own link in place.
ScanLink& CurrentScanLink();
// nullptr puts the serial line back.
void UseScanLink(ScanLink* link);

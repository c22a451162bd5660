#include "link/scan_link.h"

#include <chrono>

#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/wserial.h"

namespace {

class SerialScanLink final : public ScanLink {
 public:
  // Over Ethernet frames would go to a connection, never to the port that
  // may still be open: the serial line is usable only while it is in use.
  bool Usable() override { return !use_ethernet && SerialPortIsOpen(); }
  bool Setup(std::int32_t baud, std::uint8_t parity, std::uint8_t data,
             std::uint8_t stop) override {
    return Usable() && SetupSerial(baud, parity, data, stop);
  }
  bool Command(int address, const char* body, int length, int timeout, int tries) override {
    return Usable() && DoCommand(address, body, length, timeout, tries);
  }
  const protocol_struct& Reply() override { return protocol_state[0]; }
  bool Reopen() override { return InitSerial(); }
  std::int64_t NowMsec() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
};

SerialScanLink serial_scan_link;
ScanLink* current_link = &serial_scan_link;

}  // namespace

ScanLink& CurrentScanLink() {
  return *current_link;
}

void UseScanLink(ScanLink* link) {
  current_link = link ? link : &serial_scan_link;
}

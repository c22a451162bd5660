#include "transfer/download_link.h"

#include "link/capture.h"
#include "link/ethernet_path.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/reply_fields.h"
#include "link/wserial.h"
#include "platform/counter.h"

namespace {

class ConsoleLink final : public DownloadLink {
 public:
  bool Serial() override { return !use_ethernet; }
  bool Command(int device, const char* body, int length, int timeout, int tries) override {
    return DoCommand(device, body, length, timeout, tries) == 1;
  }
  int ReplyByte(int device, int tessary_offset) override {
    return ::ReplyByte(ProtocolBuffer(device), tessary_offset);
  }
  bool Connected(int device) override {
    return use_ethernet ? EthernetConnectionGood(device & 0xFF) != 0 : SerialPortIsOpen() != 0;
  }
  bool SetLine(std::int32_t baud, std::uint8_t parity, std::uint8_t data,
               std::uint8_t stop) override {
    return SerialPortIsOpen() && SetupSerial(baud, parity, data, stop) == 1;
  }
  bool Reopen() override { return InitSerial() == 1; }
  void Pause(int msec) override { platform::SleepMsec(static_cast<unsigned>(msec)); }
};

ConsoleLink console_link;
DownloadLink* current_link = &console_link;

}  // namespace

DownloadLink& CurrentDownloadLink() {
  return *current_link;
}

void UseDownloadLink(DownloadLink* link) {
  current_link = link ? link : &console_link;
}

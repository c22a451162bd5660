// The amplifier's fault log: fetched at print time with the command "4" and
// printed as one line per record.
#include <algorithm>
#include <cstring>
#include <string>

#include "link/capture.h"
#include "link/exchange.h"
#include "link/reply_fields.h"
#include "modelcfg/print_page.h"
#include "modelcfg/wprint.h"
#include "records/device_records.h"
#include "ui/message_box.h"

namespace {

constexpr int fault_log_timeout_ms = 3000;
constexpr int fault_log_tries = 4;
// The payload follows the response kind, at this place of a Tessary frame;
// ReplyByte finds it in the frame of either family.
constexpr int payload_offset = 3;

template <std::size_t size>
std::string Field(const char (&field)[size]) {
  return {field, strnlen(field, size - 1)};
}

}  // namespace

int GetFaultLog(ui::Handle window, int device, char* string) {
  ui::SetCursorShape(ui::Cursor::wait);
  const int answered = LoneCommand(device, "4", 1, fault_log_timeout_ms, fault_log_tries);
  ui::SetCursorShape(ui::Cursor::arrow);
  if (!answered) {
    ui::ShowMessage(window, "Unable to retrieve fault log from amplifier.", "Error",
                    ui::Buttons::ok, ui::Icon::error);
    return -1;
  }
  const protocol_struct& reply = ProtocolBuffer(device);
  int length = 0;
  for (int byte; length < fault_log_size && (byte = ReplyByte(reply, payload_offset + length)) >= 0;
       ++length)
    string[length] = static_cast<char>(byte);
  return length;
}

bool PrintFaultLog(ui::PrintDevice& hdc, const char* log_string, int len, int device) {
  ReportPage page(hdc);
  if (!page.Begin(true)) return false;
  const device_struct& record = device_data[device & 0xFF];
  const std::string header =
      "Amplifer Fault Log for: Part #" + Field(record.part) + ", Serial #" + Field(record.serial);
  page.Put(PrintableText(header, false));
  page.Skip(1);
  const int records = std::clamp(len, 0, fault_log_size) / fault_record_size;
  for (int n = 0; n < records && !page.Failed(); ++n)
    page.Line(PrintableText({log_string + n * fault_record_size, fault_record_size - 1}, false));
  page.Skip(2);
  page.Put("End of Fault Log");
  return page.End();
}

#include "cli/scan_runner.h"

#include <charconv>

#include "app/wparse.h"
#include "cli/cli_context.h"
#include "link/address_text.h"
#include "link/bus_scan.h"
#include "link/link_settings.h"
#include "link/scan_link.h"
#include "link/scan_settings.h"
#include "link/wserial.h"
#include "platform/event_loop.h"
#include "records/program_state.h"

namespace {

constexpr int scan_tick_ms = 100;  // the bus scan's own step, as in the console

// One or two addresses as the scan dialog takes them, each a decimal number
// up to 255 or one character; the dialog quietly mends anything else, a
// command line refuses it.
bool StrictRange(const std::string& text) {
  std::vector<std::string> words(1);
  for (const char c : text) {
    if (skipchar(static_cast<unsigned char>(c))) {
      if (!words.back().empty()) words.emplace_back();
    } else {
      words.back() += c;
    }
  }
  if (words.back().empty()) words.pop_back();
  if (words.empty() || words.size() > 2) return false;
  for (const std::string& word : words) {
    if (word.size() == 1) continue;
    int value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value > 255) return false;
  }
  return true;
}

AddressRange ReadRange(const std::string& text) {
  return ReadAddressRange(text, AddressRange{-1, -1});
}

}  // namespace

bool CheckScanRequest(const ScanRequest& request) {
  const AddressRange range = ReadRange(request.range);
  if (!StrictRange(request.range) || range.start < 0 || range.stop < range.start) {
    Report("not an address range: '" + request.range + "' (e.g. A-Z, 0-255, 65)");
    return false;
  }
  for (const long rate : request.rates) {
    bool known = false;
    for (const std::int32_t option : baud_opts) known = known || option == rate;
    if (!known) {
      std::string rates;
      for (const std::int32_t option : baud_opts) rates += " " + std::to_string(option);
      Report("a scan cannot try " + std::to_string(rate) + " baud; it tries:" + rates);
      return false;
    }
  }
  return true;
}

int RunScan(const ScanRequest& request, const std::function<void(const ScanFind&)>& found) {
  if (use_ethernet) {
    Report("a bus scan needs a serial port; the link is Ethernet to " + LinkName());
    return exit_usage;
  }
  // The link's own format, over the rates asked for (or the link's rate).
  const AddressRange range = ReadRange(request.range);
  ResetScanSettings();
  start_address = range.start;
  stop_address = range.stop;
  for (int n = 0; n < scan_rate_count; ++n) {
    bool wanted = request.rates.empty() && baud_opts[n] == serial_baud;
    for (const long rate : request.rates) wanted = wanted || baud_opts[n] == rate;
    scan_baud[n] = wanted;
  }
  const int parity_index = serial_parity == parity_even ? 1 : serial_parity == parity_odd ? 2 : 0;
  for (int n = 0; n < 3; ++n) scan_parity[n] = n == parity_index;
  scan_data[0] = serial_data == 7;
  scan_data[1] = serial_data != 7;
  scan_stop[0] = serial_stop != two_stop_bits;
  scan_stop[1] = serial_stop == two_stop_bits;
  if (CombinationCount() == 0) {
    Report("the link's rate " + std::to_string(serial_baud) +
           " is not one a scan tries: name rates with --rates");
    return exit_usage;
  }

  int code = exit_done;
  polling_enabled = 0;
  StartScan();
  platform::EventLoop& loop = Loop();
  const int tick = loop.AddTimer(scan_tick_ms, [&] {
    switch (StepScan()) {
      case ScanStep::found:
        found(ScanFinds().back());
        FlipScanPause();
        break;
      case ScanStep::serial_error:
        Report("cannot set " + LinkName() + " to " + FormatText(CurrentCombination()) + ": " +
               SerialErrorText());
        code = exit_link;
        loop.Stop();
        break;
      case ScanStep::complete:
      case ScanStep::idle:
        loop.Stop();
        break;
      case ScanStep::nothing:
        break;
    }
  });
  loop.Run();
  loop.RemoveTimer(tick);
  if (code == exit_done && ScanFinds().empty()) {
    Report("no device answered on " + LinkName() + " from " +
           ScanRangeText({range.start, range.stop}));
    code = exit_device;
  }
  CurrentScanLink().Reopen();
  return code;
}

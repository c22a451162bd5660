// A scan link with no port behind it: records every setup and command, lets
// chosen combinations answer, and keeps a clock that each exchange moves on
// by the time it would take.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "link/bus_scan.h"
#include "link/scan_link.h"
#include "link/scan_settings.h"

struct FakeCommand {
  int address;
  std::string body;
  int timeout;
  int tries;
  ScanCombination line;  // the settings the port had
};

class FakeScanLink : public ScanLink {
 public:
  FakeScanLink() { UseScanLink(this); }
  ~FakeScanLink() override { UseScanLink(nullptr); }

  bool Usable() override { return usable; }
  bool Setup(std::int32_t baud, std::uint8_t parity, std::uint8_t data,
             std::uint8_t stop) override {
    if (!usable || !setup_works) return false;
    line = {0, baud, parity, data, stop};
    setups.push_back(line);
    return true;
  }
  bool Command(int address, const char* body, int length, int timeout, int tries) override {
    line.address = address;
    commands.push_back(
        {address, std::string(body, static_cast<std::size_t>(length)), timeout, tries, line});
    const std::string frame = answer ? answer(line) : std::string();
    if (frame.empty()) {
      now += tries * (timeout + 100);
      return false;
    }
    now += 10;
    std::memset(&reply, 0, sizeof reply);
    std::memcpy(reply.response_buf, frame.data(), frame.size());
    reply.receive_count = static_cast<std::int32_t>(frame.size());
    return true;
  }
  const protocol_struct& Reply() override { return reply; }
  bool Reopen() override {
    ++reopens;
    return reopen_works;
  }
  std::int64_t NowMsec() override { return now; }

  bool usable = true;
  bool setup_works = true;
  bool reopen_works = true;
  // The answer frame at the port's settings and address; empty: silence.
  std::function<std::string(const ScanCombination&)> answer;
  std::vector<ScanCombination> setups;
  std::vector<FakeCommand> commands;
  int reopens = 0;
  std::int64_t now = 1000;
  ScanCombination line;
  protocol_struct reply{};
};

// Sets the scan ranges: rates by value, the other groups by flags.
inline void ScanRanges(int start, int stop, std::initializer_list<std::int32_t> rates,
                       std::initializer_list<int> parity, std::initializer_list<int> data,
                       std::initializer_list<int> stops) {
  start_address = start;
  stop_address = stop;
  for (int n = 0; n < scan_rate_count; ++n) {
    scan_baud[n] = 0;
    for (std::int32_t rate : rates) scan_baud[n] |= baud_opts[n] == rate;
  }
  std::copy(parity.begin(), parity.end(), scan_parity);
  std::copy(data.begin(), data.end(), scan_data);
  std::copy(stops.begin(), stops.end(), scan_stop);
}

#include "link/bus_scan.h"

#include <cstdio>

#include "link/link_settings.h"
#include "link/reply_fields.h"
#include "link/scan_link.h"
#include "link/scan_settings.h"

namespace {

// The wheels of the odometer, slowest (rate) to fastest (stop bits), each
// with its values in the order of its flags and the entry used when the
// operator enabled none.
struct Wheel {
  const std::int32_t* flags;
  const std::int32_t* values;
  int size;
  int fallback;
};

constexpr std::int32_t parity_codes[] = {parity_none, parity_even, parity_odd};
constexpr std::int32_t data_values[] = {7, 8};
constexpr std::int32_t stop_codes[] = {one_stop_bit, two_stop_bits};

enum { rate_wheel, parity_wheel, data_wheel, stop_wheel, wheel_count };

const Wheel wheels[wheel_count] = {
    {scan_baud, baud_opts, scan_rate_count, 3},
    {scan_parity, parity_codes, 3, 0},
    {scan_data, data_values, 2, 1},
    {scan_stop, stop_codes, 2, 0},
};

bool Enabled(const Wheel& wheel, int index) {
  bool any = false;
  for (int n = 0; n < wheel.size; ++n) any = any || wheel.flags[n];
  return any ? wheel.flags[index] != 0 : index == wheel.fallback;
}

int EnabledCount(const Wheel& wheel) {
  int count = 0;
  for (int n = 0; n < wheel.size; ++n) count += Enabled(wheel, n);
  return count;
}

// Enabled entries before index.
int Rank(const Wheel& wheel, int index) {
  int rank = 0;
  for (int n = 0; n < index; ++n) rank += Enabled(wheel, n);
  return rank;
}

int FirstEnabled(const Wheel& wheel) {
  for (int n = 0; n < wheel.size; ++n)
    if (Enabled(wheel, n)) return n;
  return wheel.fallback;
}

struct EngineState {
  std::int32_t address = 0;
  int index[wheel_count] = {};
  int first[wheel_count] = {};
  bool first_tick = true;
  bool serial_error = false;
  long tried = 0;
  long total = 0;
  int devices = 0;
  std::int64_t start_msec = 0;
  ScanCombination current;
};

EngineState state;
std::vector<ScanFind> finds;

// Moves the wheel to its next enabled entry; true when it wrapped round to
// its first one.
bool Advance(int wheel) {
  const Wheel& w = wheels[wheel];
  int& at = state.index[wheel];
  do {
    at = (at + 1) % w.size;
  } while (!Enabled(w, at));
  return at == state.first[wheel];
}

void AdvanceOdometer() {
  for (int wheel = stop_wheel; wheel >= rate_wheel; --wheel)
    if (!Advance(wheel)) return;
  ++state.address;
}

void TakeCombination() {
  state.current.address = state.address;
  state.current.baud = baud_opts[state.index[rate_wheel]];
  state.current.parity = static_cast<std::uint8_t>(parity_codes[state.index[parity_wheel]]);
  state.current.data = static_cast<std::uint8_t>(data_values[state.index[data_wheel]]);
  state.current.stop = static_cast<std::uint8_t>(stop_codes[state.index[stop_wheel]]);
}

long FormatsPerRate() {
  return static_cast<long>(EnabledCount(wheels[parity_wheel])) * EnabledCount(wheels[data_wheel]) *
         EnabledCount(wheels[stop_wheel]);
}

// The no-answer time of one address's combinations at every rate from
// rate index `from` on.
long RatesMsec(int from) {
  long msec = 0;
  for (int n = from; n < scan_rate_count; ++n)
    if (Enabled(wheels[rate_wheel], n)) msec += FormatsPerRate() * NoAnswerMsec(baud_opts[n]);
  return msec;
}

char ReplyChar(const protocol_struct& reply, int offset) {
  const int byte = ReplyByte(reply, offset);
  return byte < 0 ? '?' : static_cast<char>(byte);
}

std::string ReplyChars(const protocol_struct& reply, std::initializer_list<int> offsets) {
  std::string text;
  for (int offset : offsets) text += ReplyChar(reply, offset);
  return text;
}

}  // namespace

long NoAnswerMsec(std::int32_t baud) {
  return 2 * (SerialTime(32, baud) + 200);
}

long CombinationCount() {
  const long addresses = stop_address >= start_address ? stop_address - start_address + 1 : 0;
  return EnabledCount(wheels[rate_wheel]) * FormatsPerRate() * addresses;
}

long CombinationsMsec() {
  const long addresses = stop_address >= start_address ? stop_address - start_address + 1 : 0;
  return RatesMsec(0) * addresses;
}

void StartScan() {
  state = EngineState{};
  state.start_msec = CurrentScanLink().NowMsec();
  state.address = start_address;
  scan_complete = 0;
  scan_paused = 0;
  for (int wheel = 0; wheel < wheel_count; ++wheel)
    state.index[wheel] = state.first[wheel] = FirstEnabled(wheels[wheel]);
  state.total = CombinationCount();
  TakeCombination();
}

void FlipScanPause() {
  scan_paused = !scan_paused;
  if (scan_complete && !scan_paused) StartScan();
}

ScanStep StepScan() {
  if (scan_paused || state.address > stop_address || state.serial_error) return ScanStep::idle;
  if (!state.first_tick) {
    AdvanceOdometer();
    if (state.address > stop_address) {
      scan_complete = 1;
      FlipScanPause();
      return ScanStep::complete;
    }
  }
  state.first_tick = false;
  ++state.tried;
  TakeCombination();
  ScanLink& link = CurrentScanLink();
  const ScanCombination& c = state.current;
  if (!link.Setup(c.baud, c.parity, c.data, c.stop)) {
    state.serial_error = true;
    return ScanStep::serial_error;
  }
  const int timeout = static_cast<int>(SerialTime(32, c.baud) + 100);
  if (!link.Command(c.address, "0", 1, timeout, 2)) return ScanStep::nothing;

  scan_success = 1;
  found_address = c.address;
  FlipScanPause();
  const protocol_struct& reply = link.Reply();
  const int answered_from = ReplyByte(reply, 1);
  if (answered_from >= 0 && answered_from != found_address) found_address = answered_from;
  ScanCombination where = c;
  where.address = found_address;
  finds.push_back({where, FoundLine(reply)});
  ++state.devices;
  return ScanStep::found;
}

const ScanCombination& CurrentCombination() {
  return state.current;
}
long ScanTotal() {
  return state.total;
}
long ScanTried() {
  return state.tried;
}
int ScanPercent() {
  return state.total ? static_cast<int>(state.tried * 100 / state.total) : 0;
}
int DevicesFound() {
  return state.devices;
}
const std::vector<ScanFind>& ScanFinds() {
  return finds;
}
void ClearScanFinds() {
  finds.clear();
}

std::int64_t ScanElapsedMsec() {
  return CurrentScanLink().NowMsec() - state.start_msec;
}

long ScanMsecLeft() {
  if (state.address > stop_address || state.serial_error) return 0;
  // The rest of the current address: the formats after the current one at
  // its rate, then the rates after it; then every address after it.
  const int rate = state.index[rate_wheel];
  const long position = (static_cast<long>(Rank(wheels[parity_wheel], state.index[parity_wheel])) *
                             EnabledCount(wheels[data_wheel]) +
                         Rank(wheels[data_wheel], state.index[data_wheel])) *
                            EnabledCount(wheels[stop_wheel]) +
                        Rank(wheels[stop_wheel], state.index[stop_wheel]);
  const long formats_left = FormatsPerRate() - position - (state.first_tick ? 0 : 1);
  return formats_left * NoAnswerMsec(baud_opts[rate]) + RatesMsec(rate + 1) +
         static_cast<long>(stop_address - state.address) * RatesMsec(0);
}

std::string ElapsedText(std::int64_t msec) {
  const long long seconds = msec > 0 ? msec / 1000 : 0;
  const long long hours = seconds / 3600;
  const int minutes = static_cast<int>(seconds / 60 % 60);
  const int secs = static_cast<int>(seconds % 60);
  char text[48];
  if (hours)
    std::snprintf(text, sizeof text, "%02lld:%02d:%02d", hours, minutes, secs);
  else
    std::snprintf(text, sizeof text, "%02d:%02d", minutes, secs);
  return text;
}

std::string ProgressText() {
  char text[96];
  std::snprintf(text, sizeof text, "Scanning... %s, %d%c complete",
                ElapsedText(ScanElapsedMsec()).c_str(), ScanPercent(), '%');
  return text;
}

std::string CompleteText() {
  char text[96];
  std::snprintf(text, sizeof text, "%d devices found (%s)", state.devices,
                ElapsedText(ScanElapsedMsec()).c_str());
  return text;
}

std::string AddressShown(std::int32_t address) {
  // As "'%c'  (%d)" would show it, a zero byte included.
  return std::string("'") + static_cast<char>(address) + "'  (" + std::to_string(address) + ")";
}

const char* ParityName(std::uint8_t parity) {
  switch (parity) {
    case parity_odd:
      return "ODD";
    case parity_even:
      return "EVEN";
    default:
      return "NONE";
  }
}

std::string FormatText(const ScanCombination& c) {
  char text[48];
  std::snprintf(text, sizeof text, "%d %c %d %d", c.baud, ParityName(c.parity)[0], c.data,
                c.stop == two_stop_bits ? 2 : 1);
  return text;
}

std::string FoundLine(const protocol_struct& reply) {
  if (ReplyByte(reply, 7) == '-') {
    return "Found: P# 305-" + ReplyChars(reply, {3, 4, 5, 6}) + "-" +
           ReplyChars(reply, {8, 9, 10}) + ", S# " + ReplyChars(reply, {12, 13, 14, 15, 16}) +
           ", Fw v" + ReplyChar(reply, 18) + "." + ReplyChars(reply, {20, 21});
  }
  return "Found: P# 305-" + ReplyChars(reply, {3, 4, 5, 6}) + "-" + ReplyChars(reply, {7, 8, 9}) +
         ", Fw v" + ReplyChar(reply, 10) + "." + ReplyChars(reply, {11, 12});
}

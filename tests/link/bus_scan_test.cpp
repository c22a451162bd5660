#include "link/bus_scan.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <linux/serial.h>

#include <algorithm>
#include <chrono>
#include <tuple>

#include "bus_scan_fake.h"
#include "config/settings.h"
#include "link/fake_line.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "platform/serial_port_calls.h"

namespace {

using Line =
    std::tuple<int, std::int32_t, int, int, int>;  // address, rate, parity, data, stop codes

Line Of(const ScanCombination& c) {
  return {c.address, c.baud, c.parity, c.data, c.stop};
}

// The combination's place in the odometer over every box: address, rate,
// parity (none, even, odd), data bits, stop bits.
long Position(const ScanCombination& c) {
  const int rate =
      static_cast<int>(std::find(baud_opts, baud_opts + scan_rate_count, c.baud) - baud_opts);
  const int parity = c.parity == parity_none ? 0 : c.parity == parity_even ? 1 : 2;
  return (((c.address * 8L + rate) * 3 + parity) * 2 + (c.data - 7)) * 2 +
         (c.stop == two_stop_bits);
}

class BusScan : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScanSettings();
    ResetLinkSettings();
    ResetSettings();
  }
  void TearDown() override {
    ResetScanSettings();
    ResetSettings();
  }
  // Steps until the scan pauses, completes or stops; the last step.
  ScanStep RunUntilStopped() {
    ScanStep step;
    while ((step = StepScan()) == ScanStep::nothing) {
    }
    return step;
  }
  FakeScanLink link;
};

// An identification answer at one address and line; silence elsewhere.
std::function<std::string(const ScanCombination&)> DeviceAt(ScanCombination where,
                                                            const std::string& frame) {
  return [where, frame](const ScanCombination& line) {
    return Of(line) == Of(where) ? frame : std::string();
  };
}

TEST_F(BusScan, TriesEachCombinationInOrderWithStopBitsFastest) {
  const std::uint8_t N = parity_none, E = parity_even, O = parity_odd, one = one_stop_bit,
                     two = two_stop_bits;
  struct Case {
    const char* name;
    int start, stop;
    std::initializer_list<std::int32_t> rates;
    std::initializer_list<int> parity, data, stops;
    std::vector<Line> order;
  };
  const Case cases[] = {
      {"addresses slowest, then rates",
       'A',
       'C',
       {9600, 19200},
       {1, 0, 0},
       {0, 1},
       {1, 0},
       {{'A', 9600, N, 8, one},
        {'A', 19200, N, 8, one},
        {'B', 9600, N, 8, one},
        {'B', 19200, N, 8, one},
        {'C', 9600, N, 8, one},
        {'C', 19200, N, 8, one}}},
      {"stop bits fastest, then data bits",
       'A',
       'A',
       {9600},
       {1, 0, 0},
       {1, 1},
       {1, 1},
       {{'A', 9600, N, 7, one},
        {'A', 9600, N, 7, two},
        {'A', 9600, N, 8, one},
        {'A', 9600, N, 8, two}}},
      {"parity in box order with its codes",
       0,
       0,
       {1200},
       {1, 1, 1},
       {0, 1},
       {1, 0},
       {{0, 1200, N, 8, one}, {0, 1200, E, 8, one}, {0, 1200, O, 8, one}}},
      {"no box ticked: 9600 N 8 1",
       255,
       255,
       {},
       {0, 0, 0},
       {0, 0},
       {0, 0},
       {{255, 9600, N, 8, one}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link.setups.clear();
    link.commands.clear();
    ScanRanges(c.start, c.stop, c.rates, c.parity, c.data, c.stops);
    StartScan();
    EXPECT_EQ(ScanTotal(), static_cast<long>(c.order.size()));
    EXPECT_EQ(RunUntilStopped(), ScanStep::complete);
    EXPECT_TRUE(scan_complete && scan_paused);
    ASSERT_EQ(link.commands.size(), c.order.size());
    for (std::size_t n = 0; n < c.order.size(); ++n) {
      const FakeCommand& sent = link.commands[n];
      EXPECT_EQ(Of(sent.line), c.order[n]) << n;
      EXPECT_EQ(sent.body, "0");
      EXPECT_EQ(sent.tries, 2);
      EXPECT_EQ(sent.timeout, SerialTime(32, sent.line.baud) + 100);
    }
    EXPECT_EQ(StepScan(), ScanStep::idle);
  }
}

TEST_F(BusScan, WholeOdometerCountsTimeLeftAndPercentages) {
  ScanRanges(0, 255, {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}, {1, 1, 1}, {1, 1},
             {1, 1});
  const auto began = std::chrono::steady_clock::now();
  StartScan();
  const long total = 256L * 8 * 3 * 2 * 2;
  ASSERT_EQ(ScanTotal(), total);
  EXPECT_EQ(CombinationCount(), total);
  EXPECT_EQ(ScanMsecLeft(), CombinationsMsec());
  long steps = 0;
  bool in_order = true, times_right = true, percent_right = true;
  for (;;) {
    const long left = ScanMsecLeft();
    const ScanStep step = StepScan();
    if (step != ScanStep::nothing) {
      EXPECT_EQ(step, ScanStep::complete);
      break;
    }
    ++steps;
    const ScanCombination& c = link.commands.back().line;
    in_order = in_order && Position(c) == steps - 1;
    times_right = times_right && ScanMsecLeft() == left - NoAnswerMsec(c.baud);
    percent_right = percent_right && ScanPercent() == static_cast<int>(steps * 100 / total);
  }
  EXPECT_EQ(steps, total);
  EXPECT_EQ(ScanTried(), total);
  EXPECT_EQ(ScanPercent(), 100);
  EXPECT_EQ(ScanMsecLeft(), 0);
  EXPECT_TRUE(in_order);
  EXPECT_TRUE(times_right);
  EXPECT_TRUE(percent_right);
  EXPECT_EQ(ScanElapsedMsec(), CombinationsMsec());
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(1));
}

TEST_F(BusScan, FoundDevicePausesThenContinueGoesOnAndRestartBeginsAgain) {
  ScanRanges('A', 'C', {9600}, {1, 1, 0}, {0, 1}, {1, 0});
  // B answers at even parity, from the address byte 'D' (a device that
  // answers for another address is taken at the address it gives).
  link.answer = DeviceAt({'B', 9600, parity_even, 8, one_stop_bit},
                         TessaryAnswer('D', "01234-567 12345 1.23"));
  StartScan();
  EXPECT_EQ(RunUntilStopped(), ScanStep::found);
  EXPECT_EQ(link.commands.size(), 4u);
  EXPECT_TRUE(scan_paused && scan_success);
  EXPECT_FALSE(scan_complete);
  EXPECT_EQ(found_address, 'D');
  ASSERT_EQ(ScanFinds().size(), 1u);
  EXPECT_EQ(Of(ScanFinds()[0].combination), Line('D', 9600, parity_even, 8, one_stop_bit));
  EXPECT_EQ(ScanFinds()[0].line, "Found: P# 305-1234-567, S# 12345, Fw v1.23");
  EXPECT_EQ(serial_parity, parity_none);  // the console's own settings wait for Done
  EXPECT_EQ(StepScan(), ScanStep::idle);
  EXPECT_EQ(link.commands.size(), 4u);

  FlipScanPause();  // Continue
  EXPECT_EQ(StepScan(), ScanStep::nothing);
  EXPECT_EQ(Of(link.commands.back().line), Line('C', 9600, parity_none, 8, one_stop_bit));
  EXPECT_EQ(RunUntilStopped(), ScanStep::complete);
  EXPECT_EQ(CompleteText(), "1 devices found (00:02)");

  FlipScanPause();  // Restart
  EXPECT_FALSE(scan_complete || scan_paused);
  EXPECT_EQ(StepScan(), ScanStep::nothing);
  EXPECT_EQ(Of(link.commands.back().line), Line('A', 9600, parity_none, 8, one_stop_bit));
  EXPECT_EQ(DevicesFound(), 0);
  EXPECT_EQ(ScanFinds().size(), 1u);  // the list keeps what was found before
  ClearScanFinds();
}

TEST_F(BusScan, PortThatCannotBeSetStopsTheScanBeforeSending) {
  link.usable = false;
  StartScan();
  EXPECT_EQ(StepScan(), ScanStep::serial_error);
  EXPECT_EQ(StepScan(), ScanStep::idle);
  EXPECT_TRUE(link.commands.empty());
  EXPECT_EQ(ScanMsecLeft(), 0);
}

TEST_F(BusScan, TextsAndTimes) {
  EXPECT_EQ(SerialTime(32, 9600), 33);
  EXPECT_EQ(SerialTime(32, 1200), 266);
  EXPECT_EQ(NoAnswerMsec(9600), 466);
  const std::pair<std::int64_t, const char*> times[] = {{0, "00:00"},
                                                        {59999, "00:59"},
                                                        {3599999, "59:59"},
                                                        {3600000, "01:00:00"},
                                                        {25 * 3600000L, "25:00:00"},
                                                        {-5, "00:00"}};
  for (const auto& [msec, text] : times) EXPECT_EQ(ElapsedText(msec), text) << msec;

  ScanRanges('A', 'D', {9600}, {1, 0, 0}, {0, 1}, {1, 0});
  StartScan();
  StepScan();
  link.now += 3599000 - 466;
  EXPECT_EQ(ProgressText(), "Scanning... 59:59, 25% complete");
  link.now += 1000;
  EXPECT_EQ(ProgressText(), "Scanning... 01:00:00, 25% complete");
  EXPECT_EQ(CompleteText(), "0 devices found (01:00:00)");
  EXPECT_EQ(AddressShown('A'), "'A'  (65)");
  EXPECT_EQ(AddressShown(0), std::string("'\0'  (0)", 8));
  EXPECT_EQ(FormatText({'A', 19200, parity_even, 7, two_stop_bits}), "19200 E 7 2");

  struct Reply {
    const char* name;
    bool quillon;
    std::string frame;
    const char* line;
  };
  const Reply replies[] = {
      {"with serial number", false, TessaryAnswer('A', "01234-567 12345 1.23"),
       "Found: P# 305-1234-567, S# 12345, Fw v1.23"},
      {"without", false, TessaryAnswer('A', "01234567123"), "Found: P# 305-1234-567, Fw v1.23"},
      {"Quillon frame", true, QuillonAnswer('A', "01234-567 12345 1.23"),
       "Found: P# 305-1234-567, S# 12345, Fw v1.23"},
      {"short answer", false, TessaryAnswer('A', "012"), "Found: P# 305-12?\?-???, Fw v?.??"},
      {"two bytes", false,
       "\x06"
       "A",
       "Found: P# 305-???\?-???, Fw v?.??"},
  };
  for (const Reply& r : replies) {
    SCOPED_TRACE(r.name);
    quillon_protocol = r.quillon;
    protocol_struct reply{};
    std::memcpy(reply.response_buf, r.frame.data(), r.frame.size());
    reply.receive_count = static_cast<std::int32_t>(r.frame.size());
    EXPECT_EQ(FoundLine(reply), r.line);
  }
}

// The driver's side of the line: what SetupSerial asked of it.
class LineRecorder : public platform::PortCalls {
 public:
  bool GetLine(int, termios2* line) override {
    *line = held;
    return true;
  }
  bool SetLine(int, const termios2& line) override {
    held = line;
    return true;
  }
  bool GetRs485(int, serial_rs485*) override { return false; }
  bool SetRs485(int, const serial_rs485&) override { return false; }
  bool GetModemLines(int, int*) override { return false; }
  void SetModemLines(int, int, bool) override {}
  ssize_t Write(int, const unsigned char*, std::size_t count) override {
    return static_cast<ssize_t>(count);
  }
  bool WaitWritable(int, int) override { return true; }
  int OutputQueue(int) override { return 0; }
  void DrainHardware(int) override {}
  void DiscardOutput(int) override {}
  std::uint64_t NowMsec() override { return 0; }
  void SleepMsec(unsigned) override {}
  termios2 held{};
};

TEST_F(BusScan, EachCombinationSetsTheLineItNames) {
  LineRecorder driver;
  platform::UsePortCalls(&driver);
  serial_device = 1000;  // no real handle: every call goes to the recorder
  struct Case {
    std::uint8_t parity, data, stop;
    tcflag_t size;
    bool parenb, parodd, cstopb;
  };
  const Case cases[] = {
      {parity_none, 7, one_stop_bit, CS7, false, false, false},
      {parity_even, 8, two_stop_bits, CS8, true, false, true},
      {parity_odd, 7, two_stop_bits, CS7, true, true, true},
      {parity_odd, 8, one_stop_bit, CS8, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.parity) << " " << int(c.data) << " " << int(c.stop));
    ASSERT_TRUE(SetupSerial(19200, c.parity, c.data, c.stop));
    EXPECT_EQ(driver.held.c_cflag & CSIZE, c.size);
    EXPECT_EQ((driver.held.c_cflag & PARENB) != 0, c.parenb);
    EXPECT_EQ((driver.held.c_cflag & PARODD) != 0, c.parodd);
    EXPECT_EQ((driver.held.c_cflag & CSTOPB) != 0, c.cstopb);
    EXPECT_TRUE(driver.held.c_iflag & INPCK);
    EXPECT_EQ(driver.held.c_ospeed, 19200u);
  }
  serial_device = platform::no_port;
  platform::UsePortCalls(nullptr);
}

}  // namespace

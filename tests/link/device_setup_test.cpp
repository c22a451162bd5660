// The device setup exchange on a fake link: what goes to which address,
// what is shown, and what the console ends up with.
#include "link/device_setup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/scratch_directory.h"
#include "config/settings.h"
#include "link/fake_line.h"
#include "link/link_settings.h"
#include "link/scan_link.h"
#include "link/scan_settings.h"
#include "records/program_state.h"
#include "resources/device_setup_dialog.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

struct Sent {
  int address;
  std::string body;
  int timeout;
  int tries;
  bool operator==(const Sent&) const = default;
};

// Answers each command with the next reply queued (none: no answer).
class FakeScanLink final : public ScanLink {
 public:
  bool Usable() override { return usable; }
  bool Setup(std::int32_t, std::uint8_t, std::uint8_t, std::uint8_t) override { return usable; }
  bool Command(int address, const char* body, int length, int timeout, int tries) override {
    sent.push_back(
        {address, std::string(body, length ? length : std::strlen(body)), timeout, tries});
    std::optional<std::string> reply;
    if (!replies.empty()) {
      reply = replies.front();
      replies.pop_front();
    }
    if (!reply) return false;
    std::memcpy(reply_.response_buf, reply->data(), reply->size());
    reply_.receive_count = static_cast<std::int32_t>(reply->size());
    return true;
  }
  const protocol_struct& Reply() override { return reply_; }
  bool Reopen() override {
    ++reopened;
    return reopen_works;
  }
  std::int64_t NowMsec() override { return 0; }

  bool usable = true;
  bool reopen_works = true;
  int reopened = 0;
  std::deque<std::optional<std::string>> replies;
  std::vector<Sent> sent;

 private:
  protocol_struct reply_{};
};

class RecordingView final : public DeviceSetupView {
 public:
  void Show(setup_field field, const std::string& text) override {
    shown[field] = text;
    if (field == setup_field::status) steps.push_back(text);
  }
  void Alert(const std::string& text, const std::string& caption) override {
    alerts.push_back(caption + ": " + text);
  }
  std::string Field(setup_field field) const {
    const auto found = shown.find(field);
    return found == shown.end() ? "??" : found->second;
  }
  std::map<setup_field, std::string> shown;
  std::vector<std::string> steps;
  std::vector<std::string> alerts;
};

std::optional<std::string> Answer(const std::string& body) {
  return quillon_protocol ? QuillonAnswer('A', body) : TessaryAnswer('A', body);
}

constexpr std::nullopt_t silent = std::nullopt;
constexpr int limit_9600 = 33 + 100;

class DeviceSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    ResetScanSettings();
    UseScanLink(&link);
    // Device 'A' becomes 'B' at 19200 E 7 1.
    target_address = 'B';
    target_baud = 19200;
    target_parity = 'E';
    target_data = 7;
    target_stop = 1;
  }
  void TearDown() override {
    UseScanLink(nullptr);
    ResetScanSettings();
    ResetLinkSettings();
    ResetSettings();
  }
  void Run() { SetupDeviceSerial(view); }
  void ExpectConsoleUnchanged() {
    EXPECT_EQ(serial_baud, 9600);
    EXPECT_EQ(serial_parity, parity_none);
    EXPECT_EQ(serial_data, 8);
    EXPECT_EQ(link.reopened, 0);
    EXPECT_EQ(directory.Read("sdefault.txt"), "") << "saved";
    EXPECT_EQ(view.Field(setup_field::console), "Console unchanged: 9600 N 8 1");
  }

  ScratchDirectory directory;
  FakeScanLink link;
  RecordingView view;
};

TEST_F(DeviceSetup, EachPortChoiceAsksSetsAndFollowsAsItShould) {
  struct Case {
    int port, mode, terminations;
    std::vector<std::optional<std::string>> replies;
    std::vector<std::string> bodies;  // the last one to 'B', the others to 'A'
    std::string shown_port;
    bool console_follows;
  };
  const Case cases[] = {
      {0,
       0,
       0,
       {Answer("XR2TA"), Answer("X1009600N81"), Answer("XR"), Answer("X")},
       {"XR?", "X?", "XR2TB", "X1019200E71"},
       "COM1",
       true},
      {0,
       0,
       0,
       {Answer("XR4UA"), Answer("X2009600N81"), Answer("XR"), Answer("X")},
       {"XR?", "X?", "XR4UB", "X2019200E71"},
       "COM2",
       true},
      {1,
       4,
       'U',
       {Answer("XR2TA"), Answer("X1009600N81"), Answer("X1009600N81"), Answer("X"), Answer("X")},
       {"XR?", "X1?", "X?", "XR4UB", "X1019200E71"},
       "COM1",
       true},
      {2,
       2,
       'T',
       {Answer("XR4UA"), Answer("X2038400O72"), Answer("X1009600N81"), Answer("X"), Answer("X")},
       {"XR?", "X2?", "X?", "XR2TB", "X2019200E71"},
       "COM2",
       false},
      // The default port unknown: the console stays where it is.
      {2,
       0,
       0,
       {Answer("XR4UA"), Answer("X2038400O72"), silent, Answer("X"), Answer("X")},
       {"XR?", "X2?", "X?", "XR4UB", "X2019200E71"},
       "COM2",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bodies[1] + " " + c.bodies[c.bodies.size() - 2]);
    ResetLinkSettings();
    link = FakeScanLink();
    view = RecordingView();
    std::remove(directory.File("sdefault.txt").c_str());
    device_port = c.port;
    rs485_mode = c.mode;
    terminations = c.terminations;
    link.replies.assign(c.replies.begin(), c.replies.end());
    Run();
    std::vector<Sent> expected;
    for (std::size_t n = 0; n < c.bodies.size(); ++n) {
      expected.push_back({n + 1 < c.bodies.size() ? 'A' : 'B', c.bodies[n], limit_9600, 2});
    }
    EXPECT_EQ(link.sent, expected);
    EXPECT_EQ(view.Field(setup_field::port), c.shown_port);
    EXPECT_EQ(view.Field(setup_field::status), "-- Success! --");
    if (c.console_follows) {
      EXPECT_EQ(serial_baud, 19200);
      EXPECT_EQ(serial_parity, parity_even);
      EXPECT_EQ(serial_data, 7);
      EXPECT_EQ(serial_stop, one_stop_bit);
      EXPECT_EQ(link.reopened, 1);
      EXPECT_EQ(directory.Read("sdefault.txt"), "COM2 19200 E 7 1 0");
      EXPECT_EQ(view.Field(setup_field::console), "Console now uses 19200 E 7 1, saved");
    } else {
      ExpectConsoleUnchanged();
    }
  }
  EXPECT_EQ(view.steps, (std::vector<std::string>{"-- Verifying RS485 Setup --",
                                                  "-- Verifying Comport --", "-- RS485 Setup --",
                                                  "-- Serial Port Setup --", "-- Success! --"}));
}

TEST_F(DeviceSetup, ShowsTheDevicesSettingsAsReportedInEitherFamily) {
  struct Case {
    bool quillon;
    std::string rs485, port;
    std::vector<std::string> fields;  // port, baud, data, stop, parity, address, mode, terminations
  };
  const Case cases[] = {
      {false,
       "XR2TA",
       "X1009600N81",
       {"COM1", "9600", "8", "1", "NONE", "A (41h)", "2-Wire", "ON"}},
      {true, "XR2TA", "X1009600N81", {"COM1", "9600", "8", "1", "NONE", "A (41h)", "2-Wire", "ON"}},
      {false,
       std::string("XR4U\x01", 5),
       "X0115200O72",
       {"COM0", "115200", "7", "2", "ODD", "  (01h)", "4-Wire", "OFF"}},
      {false,
       "XRxx\xC8",
       "X3001200E93",
       {"COM3", "1200", "????", "????", "EVEN", "  (C8h)", "4-Wire", "OFF"}},
      {false,
       "XR2TA",
       "X2 12x45Z00",
       {"COM2", "0", "????", "????", "????", "A (41h)", "2-Wire", "ON"}},
  };
  const setup_field order[] = {
      setup_field::port,   setup_field::baud,    setup_field::data_bits, setup_field::stop_bits,
      setup_field::parity, setup_field::address, setup_field::mode,      setup_field::terminations};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    quillon_protocol = c.quillon;
    view = RecordingView();
    link.replies = {Answer(c.rs485), Answer(c.port)};
    Run();
    for (std::size_t n = 0; n < std::size(order); ++n) {
      EXPECT_EQ(view.Field(order[n]), c.fields[n]) << n;
    }
  }
}

TEST_F(DeviceSetup, TargetAddressZeroTravelsAsAZeroByte) {
  target_address = 0;
  link.replies = {Answer("XR2TA"), Answer("X1009600N81"), Answer("XR"), Answer("X")};
  Run();
  ASSERT_EQ(link.sent.size(), 4u);
  EXPECT_EQ(link.sent[2].body, std::string("XR2T\0", 5));
  EXPECT_EQ(link.sent[2].address, 'A');
  EXPECT_EQ(link.sent[3].address, 0);
}

TEST_F(DeviceSetup, StopsAtTheFirstStepThatFails) {
  const auto rs485 = Answer("XR2TA");
  const auto port = Answer("X1009600N81");
  struct Case {
    int port;
    std::vector<std::optional<std::string>> replies;
    std::size_t sent;
    std::string result;
  };
  const std::string unexpected = "-- Unexpected Reply From Device --";
  const Case cases[] = {
      {0, {silent}, 1, "-- No Response From Device --"},
      {0, {rs485, silent}, 2, "-- No Response From Device --"},
      {0, {rs485, port, silent}, 3, "-- Unable to Set Address --"},
      {0, {Answer("XR2T")}, 1, unexpected},
      {0, {Answer("0ABC")}, 1, unexpected},
      {0, {rs485, Answer("X1009600N8")}, 2, unexpected},
      {0, {rs485, Answer("X")}, 2, unexpected},
      {0, {rs485, Answer("XP009600N81")}, 2, unexpected},
      {1, {rs485, port, Answer("X")}, 3, unexpected},
      {1, {rs485, port, Answer("X-009600N81")}, 3, unexpected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result + " after " + std::to_string(c.sent));
    link = FakeScanLink();
    view = RecordingView();
    device_port = c.port;
    link.replies.assign(c.replies.begin(), c.replies.end());
    Run();
    EXPECT_EQ(link.sent.size(), c.sent);
    EXPECT_EQ(view.Field(setup_field::status), c.result);
    if (c.sent == 1) {
      EXPECT_EQ(view.Field(setup_field::mode), "??") << "nothing shown from a failed first step";
    }
    ExpectConsoleUnchanged();
  }
}

TEST_F(DeviceSetup, AnUnansweredSetIsConfirmedAtTheNewRate) {
  struct Case {
    int rate;
    std::optional<std::string> identification;
    int limit;
    std::string result;
  };
  const Case cases[] = {
      {1200, Answer("0"), 366, "-- Success! --"},
      {1200, silent, 366, "-- Unable to confirm --"},
      {57600, Answer("0"), 200, "-- Success! --"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    link = FakeScanLink();
    view = RecordingView();
    target_baud = c.rate;
    link.replies = {Answer("XR2TA"), Answer("X1009600N81"), Answer("XR"), silent, c.identification};
    Run();
    ASSERT_EQ(link.sent.size(), 5u);
    EXPECT_EQ(link.sent[4], (Sent{'B', "0", c.limit, 2}));
    EXPECT_EQ(view.Field(setup_field::status), c.result);
    EXPECT_EQ(serial_baud, c.rate) << "switched before the confirmation";
  }
}

TEST_F(DeviceSetup, AnUnusableLineSendsNothing) {
  link.usable = false;
  Run();
  EXPECT_TRUE(link.sent.empty());
  EXPECT_EQ(view.Field(setup_field::status), "Can't setup serial port.");
  EXPECT_EQ(view.alerts, std::vector<std::string>{"Error: Can't setup serial port."});
  ExpectConsoleUnchanged();
}

TEST_F(DeviceSetup, SaysWhenThePortWouldNotReopenOrTheSettingsWereNotSaved) {
  std::strcpy(save_directory, "/nonexistent-corvane/");
  std::strcpy(serial_port, "/dev/ttyS9");
  link.reopen_works = false;
  link.replies = {Answer("XR2TA"), Answer("X1009600N81"), Answer("XR"), Answer("X")};
  Run();
  ASSERT_EQ(view.alerts.size(), 1u);
  EXPECT_EQ(view.alerts[0].rfind("Problem: Can't open Com Port /dev/ttyS9.\n", 0), 0u);
  EXPECT_EQ(view.Field(setup_field::console),
            "Console now uses 19200 E 7 1, not saved in sdefault.txt");
}

TEST_F(DeviceSetup, DialogShowsTheRunAndHandsPollingBack) {
  ui::InitApplication(0, nullptr);
  ui::ScriptedOperator op;
  link.replies = {Answer("XR2TA"), Answer("X1009600N81"), Answer("XR"), Answer("X")};
  std::map<int, std::string> before, after;
  int polling_during = -1;
  op.WhenDialogOpens("Configuring Device...", [&](ui::Handle dialog) {
    for (int id = id_setup_status; id <= id_setup_terminations; ++id) {
      before[id] = ui::ControlText(dialog, id);
    }
    before[ui::id_ok] = ui::ControlText(dialog, ui::id_ok);
    polling_during = polling_enabled;
    ASSERT_TRUE(Op::RunUntil([&] { return ui::ControlText(dialog, ui::id_ok) == "DONE"; }, 3000));
    for (int id = id_setup_status; id <= id_setup_console; ++id) {
      after[id] = ui::ControlText(dialog, id);
    }
    Op::Press(dialog, ui::id_ok);
  });
  RunDeviceSetupDialog(ui::no_window);
  EXPECT_EQ(before, (std::map<int, std::string>{{ui::id_ok, "ABORT"},
                                                {101, "-- Verifying Configuration --"},
                                                {102, "??"},
                                                {103, "??"},
                                                {104, "??"},
                                                {105, "??"},
                                                {106, "??"},
                                                {107, "??"},
                                                {108, "??"},
                                                {109, "??"}}));
  EXPECT_EQ(polling_during, 0);
  EXPECT_EQ(after, (std::map<int, std::string>{{101, "-- Success! --"},
                                               {102, "COM1"},
                                               {103, "9600"},
                                               {104, "8"},
                                               {105, "1"},
                                               {106, "NONE"},
                                               {107, "A (41h)"},
                                               {108, "2-Wire"},
                                               {109, "ON"},
                                               {110, "Console now uses 19200 E 7 1, saved"}}));
  EXPECT_EQ(link.sent.size(), 4u) << "run once";
  EXPECT_EQ(polling_enabled, 1);
}

}  // namespace

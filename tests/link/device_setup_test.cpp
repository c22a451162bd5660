// The device setup exchange on a fake link: what goes to which address, what
// is shown, and what the console ends up with.
#include "link/device_setup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "config/scratch_directory.h"
#include "config/settings.h"
#include "link/fake_line.h"
#include "link/link_settings.h"
#include "link/scan_link.h"
#include "link/scan_settings.h"

namespace {

using Frame = std::optional<std::string>;             // an answer frame; none: no answer
using Sent = std::tuple<int, std::string, int, int>;  // address, body, limit, tries

class ScriptedDeviceLink final : public ScanLink {
 public:
  bool Usable() override { return usable; }
  bool Setup(std::int32_t, std::uint8_t, std::uint8_t, std::uint8_t) override { return usable; }
  bool Command(int address, const char* body, int length, int timeout, int tries) override {
    sent.emplace_back(address, std::string(body, length), timeout, tries);
    const Frame reply = replies.empty() ? std::nullopt : replies.front();
    if (!replies.empty()) replies.pop_front();
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
  void Show(setup_field field, const std::string& text) override { shown[field] = text; }
  void Alert(const std::string& text, const std::string& caption) override {
    alerts.push_back(caption + ": " + text);
  }
  std::string Field(setup_field field) const { return shown.count(field) ? shown.at(field) : "??"; }
  std::map<setup_field, std::string> shown;
  std::vector<std::string> alerts;
};

Frame Answer(const std::string& body) {
  return quillon_protocol ? QuillonAnswer('A', body) : TessaryAnswer('A', body);
}

constexpr std::nullopt_t silent = std::nullopt;
const Frame rs485 = Answer("XR2TA"), com1 = Answer("X1009600N81"), done = Answer("X");
const std::string unexpected = "-- Unexpected Reply From Device --";

class DeviceSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    UseScanLink(&link);
  }
  void TearDown() override {
    UseScanLink(nullptr);
    ResetScanSettings();
    ResetLinkSettings();
    ResetSettings();
  }
  // Device 'A' told to become 'B' at rate E 7 1 through port, answering replies.
  void Run(int port, std::vector<Frame> replies, int mode = 0, int termination = 0) {
    ResetScanSettings();
    std::remove(directory.File("sdefault.txt").c_str());
    ResetLinkSettings();
    link.sent.clear();
    link.reopened = 0;
    view = RecordingView();
    std::tie(target_address, target_baud, target_parity, target_data, target_stop) =
        std::make_tuple(address, rate, 'E', 7, 1);
    std::tie(device_port, rs485_mode, terminations) = std::make_tuple(port, mode, termination);
    link.replies.assign(replies.begin(), replies.end());
    SetupDeviceSerial(view);
  }
  void ExpectConsoleUnchanged() {
    EXPECT_EQ(std::make_tuple(serial_baud, serial_parity, serial_data, link.reopened),
              std::make_tuple(9600, parity_none, std::uint8_t{8}, 0));
    EXPECT_EQ(directory.Read("sdefault.txt"), "");
    EXPECT_EQ(view.Field(setup_field::console), "Console unchanged: 9600 N 8 1");
  }

  ScratchDirectory directory;
  ScriptedDeviceLink link;
  RecordingView view;
  int address = 'B';
  int rate = 19200;
};

TEST_F(DeviceSetup, EachPortChoiceAsksSetsAndFollowsAsItShould) {
  struct Case {
    int port, mode, terminations;
    std::vector<Frame> replies;
    std::vector<std::string> bodies;  // the last to 'B', the others to 'A'
    bool console_follows;
  };
  const Case cases[] = {
      {0, 0, 0, {rs485, com1, done, done}, {"XR?", "X?", "XR2TB", "X1019200E71"}, true},
      {0,
       0,
       0,
       {Answer("XR4UA"), Answer("X2009600N81"), done, done},
       {"XR?", "X?", "XR4UB", "X2019200E71"},
       true},
      {1,
       4,
       'U',
       {rs485, com1, com1, done, done},
       {"XR?", "X1?", "X?", "XR4UB", "X1019200E71"},
       true},
      {2,
       2,
       'T',
       {Answer("XR4UA"), com1, com1, done, done},
       {"XR?", "X2?", "X?", "XR2TB", "X2019200E71"},
       false},
      // The default port unknown: the console stays where it is.
      {2,
       0,
       0,
       {rs485, com1, silent, done, done},
       {"XR?", "X2?", "X?", "XR2TB", "X2019200E71"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bodies[c.bodies.size() - 2]);
    Run(c.port, c.replies, c.mode, c.terminations);
    std::vector<Sent> expected;
    for (const std::string& body : c.bodies) expected.emplace_back('A', body, 33 + 100, 2);
    std::get<0>(expected.back()) = 'B';
    EXPECT_EQ(link.sent, expected);
    EXPECT_EQ(view.Field(setup_field::status), "-- Success! --");
    if (!c.console_follows) {
      ExpectConsoleUnchanged();
      continue;
    }
    EXPECT_EQ(std::make_tuple(serial_baud, serial_parity, serial_data, serial_stop, link.reopened),
              std::make_tuple(19200, parity_even, std::uint8_t{7}, one_stop_bit, 1));
    EXPECT_EQ(directory.Read("sdefault.txt"), "COM2 19200 E 7 1 0");
    EXPECT_EQ(view.Field(setup_field::console), "Console now uses 19200 E 7 1, saved");
  }
  address = 0;
  Run(0, {rs485, com1, done, done});
  EXPECT_EQ(link.sent[2], Sent('A', std::string("XR2T\0", 5), 133, 2)) << "always five bytes";
}

TEST_F(DeviceSetup, ShowsTheDevicesSettingsAsReportedInEitherFamily) {
  struct Case {
    bool quillon;
    std::string rs485, port, fields;  // port, baud, data, stop, parity, address, mode, terminations
  };
  const Case cases[] = {
      {false, "XR2TA", "X1009600N81", "COM1|9600|8|1|NONE|A (41h)|2-Wire|ON|"},
      {true, "XR2TA", "X1009600N81", "COM1|9600|8|1|NONE|A (41h)|2-Wire|ON|"},
      {false, std::string("XR4U\x01", 5), "X0115200O72", "COM0|115200|7|2|ODD|  (01h)|4-Wire|OFF|"},
      {false, "XRxx\xC8", "X3001200E93", "COM3|1200|????|????|EVEN|  (C8h)|4-Wire|OFF|"},
      {false, "XR2TA", "X2 12x45Z00", "COM2|0|????|????|????|A (41h)|2-Wire|ON|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    quillon_protocol = c.quillon;
    Run(0, {Answer(c.rs485), Answer(c.port)});
    std::string fields;
    for (int field = static_cast<int>(setup_field::port);
         field <= static_cast<int>(setup_field::terminations); ++field) {
      fields += view.Field(static_cast<setup_field>(field)) + "|";
    }
    EXPECT_EQ(fields, c.fields);
  }
}

TEST_F(DeviceSetup, StopsBeforeSettingAnythingWhenTheDeviceFailsOrTheLineIsUnusable) {
  struct Case {
    int port;
    std::vector<Frame> replies;
    std::size_t sent;
    std::string result;
  };
  const Case cases[] = {
      {0, {silent}, 1, "-- No Response From Device --"},
      {0, {rs485, silent}, 2, "-- No Response From Device --"},
      {0, {rs485, com1, silent}, 3, "-- Unable to Set Address --"},
      {0, {Answer("XR2T")}, 1, unexpected},
      {0, {rs485, Answer("X1009600N8")}, 2, unexpected},
      {0, {rs485, Answer("XP009600N81")}, 2, unexpected},
      {1, {rs485, com1, done}, 3, unexpected},
      {1, {rs485, com1, Answer("X-009600N81")}, 3, unexpected},
      {-1, {}, 0, "Can't setup serial port."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result + " after " + std::to_string(c.sent));
    link.usable = c.port >= 0;
    Run(std::max(c.port, 0), c.replies);
    EXPECT_EQ(link.sent.size(), c.sent);
    EXPECT_EQ(view.Field(setup_field::status), c.result);
    if (c.sent <= 1) {
      EXPECT_EQ(view.Field(setup_field::mode), "??") << "nothing shown";
    }
    ExpectConsoleUnchanged();
  }
  EXPECT_EQ(view.alerts, std::vector<std::string>{"Error: Can't setup serial port."});
}

TEST_F(DeviceSetup, AnUnansweredSetIsConfirmedWithTimeForAWholeAnswerAtTheNewRate) {
  const std::tuple<int, Frame, int, std::string> cases[] = {
      {1200, Answer("0"), 366, "-- Success! --"},
      {1200, silent, 366, "-- Unable to confirm --"},
      {57600, Answer("0"), 200, "-- Success! --"},
  };
  for (const auto& [new_rate, identification, limit, result] : cases) {
    SCOPED_TRACE(new_rate);
    rate = new_rate;
    Run(0, {rs485, com1, done, silent, identification});
    ASSERT_EQ(link.sent.size(), 5u);
    EXPECT_EQ(link.sent[4], Sent('B', "0", limit, 2));
    EXPECT_EQ(view.Field(setup_field::status), result);
    EXPECT_EQ(serial_baud, new_rate) << "switched before the confirmation";
  }
}

TEST_F(DeviceSetup, SaysWhenThePortWouldNotReopenOrTheSettingsWereNotSaved) {
  std::strcpy(save_directory, "/nonexistent-corvane/");
  link.reopen_works = false;
  Run(0, {rs485, com1, done, done});
  ASSERT_EQ(view.alerts.size(), 1u);
  EXPECT_EQ(view.alerts[0].rfind("Problem: Can't open Com Port COM2.\n", 0), 0u);
  EXPECT_EQ(view.Field(setup_field::console),
            "Console now uses 19200 E 7 1, not saved in sdefault.txt");
}

}  // namespace

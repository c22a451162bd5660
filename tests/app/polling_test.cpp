// The polling engine on the real tick against corvane-sim over a pseudo-terminal.
#include "app/polling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "link/byte_tap.h"
#include "link/capture.h"
#include "link/framing.h"
#include "link/keypad.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "support/sim_process.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"

namespace {

struct SentPoll {
  int address;
  std::string body;
  std::uint64_t msec;
};

// Every frame the console sends, decoded back into address and body.
void RecordSent(void* context, TapDirection direction, const unsigned char* bytes,
                std::size_t count, std::uint64_t msec) {
  if (direction != TapDirection::sent || count < 4 || bytes[0] != 0x02) return;
  auto& sent = *static_cast<std::vector<SentPoll>*>(context);
  const std::size_t start = quillon_protocol ? 3 : 2;
  sent.push_back({quillon_protocol ? bytes[2] : bytes[1],
                  std::string(reinterpret_cast<const char*>(bytes) + start, count - start - 2),
                  msec});
}

class Polling : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::RegisterWindowClass(
        {"PollingTestPanel", ui::DefaultProcedure, 0, ui::Background::button_face, 0, 0});
    ui::RegisterWindowClass({"PollingTestMain", MainCallBack, 0, ui::Background::dark_grey, 0, 0});
  }
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    SetLogParameterDefaults();
    std::memset(protocol_state, 0, sizeof protocol_state);
    for (int a = 0; a < device_count; ++a) {
      device_type[a] = twta_device;
      ZeroDeviceData(a);
    }
    response_pending = -1;
    polling_enabled = 1;
    AddTapListener(RecordSent, &sent);
  }
  void TearDown() override {
    RemoveTapListener(RecordSent, &sent);
    if (main_window) ui::Destroy(main_window);
    main_window = ui::no_window;
    for (ui::Handle& window : poll_dialog) {
      if (window) ui::Destroy(window);
      window = ui::no_window;
    }
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
  }
  void Launch(const std::vector<std::string>& args) {
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1);
  }
  void Open(int address, device_enum kind = twta_device) {
    device_type[address] = kind;
    ZeroDeviceData(address);
    device_data[address].poll_frequency = poll_frequency;
    poll_dialog[address] =
        ui::CreateWindowOf("PollingTestPanel", "", ui::style_child, 0, 0, 1, 1, ui::no_window);
  }
  // The main tick, as start-up runs it.
  void StartTicking() {
    main_window = ui::CreateWindowOf("PollingTestMain", "", ui::style_overlapped, 0, 0, 10, 10,
                                     ui::no_window);
    ui::StartTimer(main_window, 1, 56);
  }
  bool TickUntil(const std::function<bool()>& done, int timeout_ms = 15000) {
    if (!main_window) StartTicking();
    return ui::ScriptedOperator::RunUntil(done, timeout_ms);
  }
  bool TickUntilSent(std::size_t count) {
    return TickUntil([&] { return sent.size() >= count; });
  }
  // The bodies of the first count frames sent.
  std::vector<std::string> FirstBodies(std::size_t count) const {
    std::vector<std::string> bodies;
    for (std::size_t n = 0; n < count && n < sent.size(); ++n) bodies.push_back(sent[n].body);
    return bodies;
  }
  std::string Addresses() const {
    std::string addresses;
    for (const SentPoll& poll : sent) addresses += static_cast<char>(poll.address);
    return addresses;
  }
  std::string Ok(const std::string& command) {
    const std::string answer = sim.Control(command);
    EXPECT_EQ(answer.rfind("ok", 0), 0u) << command << ": " << answer;
    return answer;
  }

  std::vector<SentPoll> sent;
  test_support::SimProcess sim;
};

using Bodies = std::vector<std::string>;

TEST_F(Polling, AnAmplifierAlternatesStatusAndScreenAtTheInterval) {
  Launch({"--amp", "A", "--steady", "--hour-ms", "0"});
  Ok("hours A 1234 567");
  Open('A');
  ASSERT_TRUE(TickUntilSent(5));
  EXPECT_EQ(FirstBodies(5), (Bodies{"?1AMNPV", "55", "?1AMNPV", "55", "?1AMNPV"}));
  EXPECT_EQ(Addresses().substr(0, 5), "AAAAA");
  for (std::size_t n = 1; n < 5; ++n) {
    EXPECT_GE(sent[n].msec - sent[n - 1].msec, polling_interval - 2) << n;
  }
  // The answers reached the record: hours from the status, rows from the screen.
  EXPECT_EQ(+device_data['A'].heater, 1234);
  EXPECT_EQ(+device_data['A'].beam, 567);
  EXPECT_EQ(error_count['A'], 0);
  EXPECT_STRNE(device_data['A'].screen[1], "     No Status      ");
}

TEST_F(Polling, LoggedReadingsFollowTheStatusFields) {
  Launch({"--amp", "A", "--steady"});
  logging_on = 1;
  for (log_parm_struct& parameter : log_parameter) parameter.enabled = 0;
  log_parameter[0].enabled = 1;  // I
  log_parameter[4].enabled = 1;  // T
  Open('A');
  ASSERT_TRUE(TickUntilSent(3));
  EXPECT_EQ(sent[0].body, "?1AMNPVIT");
  EXPECT_EQ(sent[2].body, "?1AMNPVIT");
  EXPECT_STRNE(log_parameter[4].response['A'], "????");
  EXPECT_STREQ(log_parameter[2].response['A'], "????");
}

TEST_F(Polling, FrequencyPollingAsksForFrequencyAndOffset) {
  Launch({"--amp", "A", "--steady"});
  Open('A');
  device_data['A'].poll_frequency = 1;
  ASSERT_TRUE(TickUntilSent(2));
  EXPECT_EQ(sent[0].body, "?1AFMNoPV");
  EXPECT_GT(+device_data['A'].frequency, 1.0f);
}

TEST_F(Polling, ControllersIdentifyThenPollByFirmwareGeneration) {
  Launch({"--controller", "C:310", "--controller", "D", "--steady"});
  Open('C', ocontrol_device);
  Open('D', ocontrol_device);
  ASSERT_TRUE(TickUntilSent(6));
  EXPECT_EQ(Addresses().substr(0, 6), "CDCDCD");
  EXPECT_EQ(FirstBodies(6), (Bodies{"0", "0", "?1IPTV", "?!IPTV", "55", "55"}));
  EXPECT_EQ(+device_data['C'].backrev, 1);
  EXPECT_EQ(+device_data['D'].backrev, 0);
}

TEST_F(Polling, OpenPanelsTakeTurnsAndOthersAreSkipped) {
  Launch({"--amp", "A", "--amp", "B", "--amp", "C", "--steady"});
  Open('A');
  Open('C');
  ASSERT_TRUE(TickUntilSent(6));
  // Nothing was outstanding: the round starts after 'A'.
  EXPECT_EQ(Addresses().substr(0, 6), "CACACA");
  EXPECT_EQ(last_response['B'], 0);
  EXPECT_EQ(error_count['A'] + error_count['C'], 0);
}

TEST_F(Polling, ASilentDeviceKeepsItsDisplayForThreeMisses) {
  Launch({"--amp", "A", "--steady"});
  Open('A');
  ASSERT_TRUE(TickUntil([] { return last_response['A'] == '5'; }));
  const std::string shown = device_data['A'].screen[0];
  Ok("silent A on");
  for (int misses = 1; misses <= 3; ++misses) {
    ASSERT_TRUE(TickUntil([&] { return error_count['A'] == misses; })) << misses;
    EXPECT_EQ(device_data['A'].screen[0], shown) << misses;
    EXPECT_NE(+device_data['A'].heater, -1) << misses;
  }
  ASSERT_TRUE(TickUntil([] { return device_data['A'].heater == -1; }));
  EXPECT_STREQ(device_data['A'].screen[1], "     No Status      ");
  EXPECT_STREQ(device_data['A'].screen[2], "     Available      ");
  EXPECT_EQ(error_count['A'], 3);
  // Back in contact, the record fills again.
  Ok("silent A off");
  ASSERT_TRUE(TickUntil([] { return error_count['A'] == 0; }));
}

std::vector<int> updated;
void RecordUpdate(int address) {
  updated.push_back(address);
}

// A device watched without a panel is polled in turn with the panels, and the
// hook hears of every answer and every miss.
TEST_F(Polling, AWatchedDeviceIsPolledWithoutAPanelAndReported) {
  Launch({"--amp", "A", "--amp", "B", "--steady"});
  updated.clear();
  AddDeviceUpdateListener(RecordUpdate);
  Open('A');
  WatchDevice('B', true);
  ASSERT_TRUE(TickUntil([] { return error_count['B'] == 0 && last_response['B'] == '5'; }));
  const std::string turns = Addresses().substr(0, 3);
  EXPECT_TRUE(turns == "ABA" || turns == "BAB") << Addresses();
  EXPECT_NE(std::find(updated.begin(), updated.end(), 'B'), updated.end());
  Ok("silent B on");
  ASSERT_TRUE(TickUntil([] { return error_count['B'] == 1; }));
  updated.clear();
  ASSERT_TRUE(TickUntil([] { return error_count['B'] == 2; }));
  EXPECT_NE(std::find(updated.begin(), updated.end(), 'B'), updated.end());
  WatchDevice('B', false);
  RemoveDeviceUpdateListener(RecordUpdate);
  const std::size_t before = sent.size();
  ASSERT_TRUE(TickUntilSent(before + 4));
  EXPECT_EQ(Addresses().substr(before), "AAAA");
}

TEST_F(Polling, AControllerThatNeverAnsweredIsOnlyAskedToIdentify) {
  Launch({"--controller", "C", "--steady"});
  Ok("silent C on");
  Open('C', ocontrol_device);
  ASSERT_TRUE(TickUntilSent(4));
  EXPECT_EQ(FirstBodies(4), (Bodies{"0", "0", "0", "0"}));
}

TEST_F(Polling, TwoWireModeSendsAQueuedKeyInPlaceOfTheNextPoll) {
  Launch({"--amp", "A", "--amp", "B", "--steady"});
  mode_2wire = 1;
  Open('A');
  Open('B');
  ASSERT_TRUE(TickUntilSent(2));  // B, then A
  SerialSendKey('B', 'G');
  EXPECT_EQ(sent.size(), 2u);  // not at once
  ASSERT_TRUE(TickUntilSent(6));
  EXPECT_EQ(Addresses().substr(0, 6), "BABABA");
  EXPECT_EQ(FirstBodies(6), (Bodies{"?1AMNPV", "?1AMNPV", "VG", "55", "?1AMNPV", "?1AMNPV"}));
  EXPECT_EQ(pending_command['B'][0], 0);
}

TEST_F(Polling, NothingIsSentWithoutPanelsOrWhilePollingIsSuspended) {
  Launch({"--amp", "A", "--steady"});
  StartTicking();
  ui::ScriptedOperator::RunFor(1000);
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(response_pending, -1);
  EXPECT_EQ(error_count['A'], 3);
  Open('A');
  polling_enabled = 0;
  ui::ScriptedOperator::RunFor(1000);
  EXPECT_TRUE(sent.empty());
  polling_enabled = 1;
  ASSERT_TRUE(TickUntilSent(1));
}

TEST_F(Polling, QuillonBusFillsTheRecord) {
  quillon_protocol = 1;
  Launch({"--quillon", "--amp", "A", "--steady", "--hour-ms", "0"});
  Ok("hours A 42 7");
  Open('A');
  ASSERT_TRUE(TickUntil([] { return last_response['A'] == '5'; }));
  EXPECT_EQ(sent[0].body, "?1AMNPV");
  EXPECT_EQ(+device_data['A'].heater, 42);
  EXPECT_EQ(+device_data['A'].beam, 7);
}

// Over Ethernet with no connection every open device misses each poll, and
// each one is charged, not only the one polled last.
TEST_F(Polling, EveryUnconnectedEthernetDeviceIsCharged) {
  use_ethernet = 1;
  Open('A');
  Open('B');
  WatchDevice('C', true);  // without a panel: charged the same way
  error_count['A'] = error_count['B'] = error_count['C'] = 0;
  poll_timer.Reset(100);
  for (int step = 1; step <= 3; ++step) {
    ASSERT_TRUE(ui::ScriptedOperator::RunUntil([] { return !poll_timer.Waiting(); }, 2000));
    PollEthernet();
    for (const int address : {'A', 'B', 'C'}) EXPECT_EQ(error_count[address], step - 1) << step;
  }
  WatchDevice('C', false);
  EXPECT_TRUE(sent.empty());
}

TEST_F(Polling, AnAnswerIsShownOnTheTickItArrivesWithoutChangingThePolls) {
  Launch({"--amp", "A", "--steady", "--hour-ms", "0"});
  Ok("hours A 4321 765");
  Open('A');
  polling_interval = 2000;
  poll_timer.Reset(polling_interval);
  ASSERT_TRUE(TickUntilSent(1));
  // The status answer reaches the record long before the next polling step.
  ASSERT_TRUE(TickUntil([] { return device_data['A'].heater == 4321; }, 1500));
  EXPECT_EQ(sent.size(), 1u);
  // The step that follows owes no miss and goes on with the screen request.
  ASSERT_TRUE(TickUntilSent(2));
  EXPECT_EQ(sent[1].body, "55");
  EXPECT_GE(sent[1].msec - sent[0].msec, polling_interval - 2);
  EXPECT_EQ(error_count['A'], 0);
  EXPECT_EQ(response_pending, 'A');
}

}  // namespace

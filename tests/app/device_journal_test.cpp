// Device transitions and the journal they feed, on the real tick against corvane-sim.
#include "records/device_journal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/framing.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/program_state.h"
#include "records/transitions.h"
#include "records/window_seams.h"
#include "support/sim_process.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"

namespace {

using Kinds = std::vector<std::string>;

struct transition_case {
  device_flags before;
  device_flags after;
  Kinds events;
};

TEST(Transitions, AreReportedOnlyWhereKnown) {
  const device_flags silent{};
  const device_flags quiet{true, false, false, false, false, false};
  const device_flags running{true, true, false, false, false, true};
  const device_flags tripped{true, false, true, true, true, false};
  const transition_case cases[] = {
      {silent, quiet, {"contact_regained"}},
      {silent, tripped, {"contact_regained", "fault_raised", "alarm_raised", "standby_on"}},
      {quiet, running, {"hv_on", "remote"}},
      {running, tripped, {"fault_raised", "alarm_raised", "hv_off", "standby_on", "local"}},
      {tripped, quiet, {"fault_cleared", "alarm_cleared", "standby_off"}},
      // A silent device's lamps are not known to have gone out.
      {tripped, silent, {"contact_lost"}},
      {running, running, {}},
  };
  for (const transition_case& c : cases) EXPECT_EQ(Transitions(c.before, c.after), c.events);
}

TEST(Transitions, ASilentDeviceKeepsItsLastLampsSoRegainingItRaisesNothingAgain) {
  device_struct record{};
  record.alarm = 1;
  const device_flags alarmed = FlagsOf(record, true, {});
  record.alarm = 0;  // the record is reset while the device is silent
  const device_flags silent = FlagsOf(record, false, alarmed);
  EXPECT_EQ(Transitions(alarmed, silent), Kinds{"contact_lost"});
  record.alarm = 1;
  EXPECT_EQ(Transitions(silent, FlagsOf(record, true, silent)), Kinds{"contact_regained"});
}

class DeviceJournal : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::RegisterWindowClass(
        {"JournalTestPanel", ui::DefaultProcedure, 0, ui::Background::button_face, 0, 0});
    ui::RegisterWindowClass({"JournalTestMain", MainCallBack, 0, ui::Background::dark_grey, 0, 0});
  }
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    std::memset(protocol_state, 0, sizeof protocol_state);
    response_pending = -1;
    polling_enabled = 1;
    JournalClear();
    ForgetDeviceTransitions();
    AddDeviceUpdateListener(JournalTransitions);
  }
  void TearDown() override {
    RemoveDeviceUpdateListener(JournalTransitions);
    ui::Destroy(main_window);
    main_window = ui::no_window;
    ui::Destroy(poll_dialog['A']);
    poll_dialog['A'] = ui::no_window;
    CloseSerial();
    JournalClear();
  }
  void Start() {
    std::string error;
    ASSERT_TRUE(sim.Start({"--amp", "A", "--steady"}, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1);
    device_type['A'] = twta_device;
    ZeroDeviceData('A');
    poll_dialog['A'] =
        ui::CreateWindowOf("JournalTestPanel", "", ui::style_child, 0, 0, 1, 1, ui::no_window);
    main_window = ui::CreateWindowOf("JournalTestMain", "", ui::style_overlapped, 0, 0, 10, 10,
                                     ui::no_window);
    ui::StartTimer(main_window, 1, main_tick_ms);
  }
  // Changes the simulated device and waits for the journal to note it.
  void Then(const std::string& command, const std::string& kind) {
    ASSERT_EQ(sim.Control(command), "ok") << command;
    ASSERT_TRUE(ui::ScriptedOperator::RunUntil(
        [&] {
          for (const journal_event& event : JournalEvents())
            if (event.kind == kind) return true;
          return false;
        },
        15000))
        << command;
  }

  test_support::SimProcess sim;
};

TEST_F(DeviceJournal, FaultsAlarmsAndSilenceBecomeEventsInOrder) {
  Start();
  ASSERT_TRUE(ui::ScriptedOperator::RunUntil([] { return !JournalEvents().empty(); }, 15000));
  EXPECT_EQ(JournalEvents().front().kind, "contact_regained");
  JournalClear();
  Then("fault A on", "fault_raised");
  Then("fault A off", "fault_cleared");
  Then("alarm A on", "alarm_raised");
  Then("silent A on", "contact_lost");
  Then("silent A off", "contact_regained");
  Then("alarm A off", "alarm_cleared");
  Then("set A remote on", "remote");

  // A fault trips the high voltage into standby.
  const Kinds expected{"fault_raised",     "hv_off",        "standby_on",
                       "fault_cleared",    "alarm_raised",  "contact_lost",
                       "contact_regained", "alarm_cleared", "remote"};
  const Kinds alerts{"fault_raised", "alarm_raised", "contact_lost"};
  Kinds kinds, alerted;
  std::int64_t previous = 0;
  for (const journal_event& event : JournalEvents()) {
    kinds.push_back(event.kind);
    if (event.alert) alerted.push_back(event.kind);
    EXPECT_EQ(event.address, 'A');
    EXPECT_EQ(event.text, TransitionText(event.kind));
    EXPECT_GE(event.time_ms, previous) << event.kind;
    previous = event.time_ms;
  }
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(alerted, alerts);
  EXPECT_EQ(JournalEvents()[0].text, "Fault raised");
  EXPECT_EQ(JournalUnacknowledged(), 3);
}

}  // namespace

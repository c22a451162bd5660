// The Events window and the alerts, driven as the operator would.
#include "app/events_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/events_alerts.h"
#include "app/main_window.h"
#include "app/popup.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/events_dialog.h"
#include "resources/menu_ids.h"
#include "test_support.h"
#include "ui/attention.h"
#include "ui/dialog.h"
#include "ui/keys.h"
#include "ui/menu.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

class EventsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    JournalClear();
    for (const int address : {'A', 'B'}) {
      device_type[address] = twta_device;
      ZeroDeviceData(address);
      CopyField(device_data[address].part, "305-4120-025");
      CopyField(device_data[address].serial, address == 'A' ? "10001" : "");
    }
    ASSERT_TRUE(RegisterPanelClasses());
    ui::RegisterWindowClass({"EventsTestMain", MainCallBack, 1, ui::Background::dark_grey, 0, 0});
    main_window = ui::CreateWindowOf("EventsTestMain", "Tessary Remote Control",
                                     ui::style_overlapped, 0, 0, 640, 480, ui::no_window);
    StartAlerts();
  }
  void TearDown() override {
    StopAlerts();
    alert_sound = 0;
    for (ui::Handle& panel : poll_dialog) ui::Destroy(panel), panel = ui::no_window;
    ui::Destroy(main_window);
    main_window = ui::no_window;
    JournalClear();
  }
  static std::vector<std::string> Shown(ui::Handle events) {
    ui::ScriptedOperator::RunFor(2 * events_refresh_ms);
    std::vector<std::string> items;
    for (int n = 0; n < ui::ItemCount(events, id_events_list); ++n)
      items.push_back(ui::ItemText(events, id_events_list, n).substr(0, 2) +
                      ui::ItemText(events, id_events_list, n).substr(27));
    return items;
  }

  ScratchDirectory directory;
  Op op;
};

using Lines = std::vector<std::string>;

TEST_F(EventsWindow, AlertsMarkTheirPanelUntilTheOperatorAcknowledgesThem) {
  const ui::Handle panel = CreatePollDialog('A');
  const std::string title = ui::Title(panel);
  const int beeps = ui::Beeps();
  JournalAdd('A', "fault_raised", "Fault raised", true);
  JournalAdd('B', "contact_lost", "Contact lost", true);
  JournalAdd('A', "config_send_done", "Send configuration x: done");
  EXPECT_EQ(ui::Title(panel), "[!] " + title);
  EXPECT_EQ(ui::AttentionRequests(panel), 1);
  EXPECT_EQ(ui::Title(main_window), "Tessary Remote Control - 2 unacknowledged alerts");
  EXPECT_EQ(ui::Beeps(), beeps);

  // Ctrl+E from the main window opens it; the menu raises the same window.
  Op::KeyDown(main_window, ui::vk_control);
  Op::KeyDown(main_window, 'E');
  Op::KeyUp(main_window, 'E');
  Op::KeyUp(main_window, ui::vk_control);
  ASSERT_EQ(op.OpenedDialogs().back(), "Events");
  const ui::Handle events = OpenEventsWindow(main_window);
  ui::ChooseMenuItem(main_window, menu_events);
  Op::RunFor(50);
  EXPECT_EQ(op.OpenedDialogs().size(), 2u);  // the panel, then this window once

  const std::string a = "'A' 305-4120-025 10001        ";
  EXPECT_EQ(Shown(events), (Lines{"  " + a + "Send configuration x: done",
                                  "! 'B' 305-4120-025" + std::string(14, ' ') + "Contact lost",
                                  "! " + a + "Fault raised"}));
  Op::Choose(events, id_events_device,
             ui::FindItem(events, id_events_device, "'A' 305-4120-025 10001"));
  EXPECT_EQ(Shown(events).size(), 2u);
  Op::Choose(events, id_events_kind, ui::FindItem(events, id_events_kind, "Alerts"));
  ASSERT_EQ(Shown(events), Lines{"! " + a + "Fault raised"});
  Op::Choose(events, id_events_list, 0);
  Op::Press(events, id_events_acknowledge);
  EXPECT_EQ(Shown(events), Lines{"  " + a + "Fault raised"});
  EXPECT_EQ(ui::Title(panel), title);
  EXPECT_EQ(ui::Title(main_window), "Tessary Remote Control - 1 unacknowledged alert");

  // Many events at once reach the list on the next refresh, not one by one.
  Op::Choose(events, id_events_device, 0);
  Op::Choose(events, id_events_kind, 0);
  for (int n = 0; n < 40; ++n) JournalAdd('B', "hv_on", "High voltage on");
  EXPECT_EQ(ui::ItemCount(events, id_events_list), 3);
  EXPECT_EQ(Shown(events).size(), 43u);
  // A storm shows its newest part; the summary counts the whole journal.
  for (std::size_t n = 0; n < events_shown_limit; ++n)
    JournalAdd('B', "hv_off", "High voltage off");
  const std::vector<std::string> storm = Shown(events);
  ASSERT_EQ(storm.size(), events_shown_limit);
  EXPECT_EQ(storm.back().substr(storm.back().size() - 16), "High voltage off");
  EXPECT_EQ(ui::ControlText(events, id_events_summary).rfind("2000 of 2043 events shown", 0), 0u);

  alert_sound = 1;
  JournalAdd('A', "alarm_raised", "Alarm raised", true);
  EXPECT_EQ(ui::Beeps(), beeps + 1);
  EXPECT_EQ(ui::Title(panel), "[!] " + title);
  Op::Press(events, id_events_acknowledge_all);
  EXPECT_EQ(JournalUnacknowledged(), 0);
  EXPECT_EQ(ui::Title(panel), title);
  EXPECT_EQ(ui::Title(main_window), "Tessary Remote Control");
  Op::Press(events, ui::id_cancel);
  EXPECT_FALSE(ui::IsLive(events));
}

// A file that cannot be written is told once, from the main window's loop.
TEST_F(EventsWindow, AnUnwritableEventsFileIsReportedOnce) {
  std::filesystem::create_directory(directory.File("events.txt"));
  JournalAdd('A', "hv_on", "High voltage on");
  JournalAdd('A', "hv_off", "High voltage off");
  Op::RunFor(50);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_NE(op.Boxes()[0].text.find(directory.File("events.txt")), std::string::npos);
  EXPECT_EQ(op.Boxes()[0].caption, "Warning");
}

}  // namespace

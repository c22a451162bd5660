#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/popup.h"
#include "app/startup.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/menu_ids.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/menu.h"
#include "ui/scripted_operator.h"

namespace {

class ConsoleStartup : public ::testing::Test {
 protected:
  void TearDown() override {
    StopConsole();
    CloseSerial();
    ResetLinkSettings();
    ResetSettings();
  }
  void NameThePort(const std::string& port) { directory.Write("sdefault.txt", port + " 9600 N 8 1 0"); }

  ScratchDirectory directory;
  PseudoTerminal line;
  ui::ScriptedOperator op;
};

TEST_F(ConsoleStartup, OpensTheNamedPortAndShowsTheMainWindow) {
  NameThePort(line.SlavePath());
  ASSERT_TRUE(StartConsole(""));
  EXPECT_TRUE(SerialPortIsOpen());
  // Without log features the amplifier at 'A' gets its panel at once.
  EXPECT_EQ(op.OpenedDialogs(), std::vector<std::string>{"Amplifier 'A'"});
  EXPECT_TRUE(IsOpen('A'));
  ASSERT_TRUE(ui::IsLive(main_window));
  EXPECT_EQ(ui::Title(main_window), "Tessary Remote Control");
  EXPECT_NE(timer_id1, 0u);
  // Every record starts out of contact with no status.
  EXPECT_STREQ(device_data[0].screen[1], "     No Status      ");
  EXPECT_STREQ(device_data[255].screen[2], "     Available      ");
  EXPECT_EQ(error_count[65], 3);
  EXPECT_EQ(static_cast<int>(device_data[65].heater), -1);
  // Without mode.txt the configuration cannot be sent.
  EXPECT_FALSE(ui::IsMenuItemEnabled(main_window, menu_send_configuration));
  EXPECT_TRUE(ui::IsMenuItemEnabled(main_window, menu_poll_outdoor_controller));
}

TEST_F(ConsoleStartup, InstallsThePanelsAsWatchersAndTheirRefreshOnEveryDeviceUpdate) {
  NameThePort(line.SlavePath());
  // What the test environment installed goes: only start-up puts it back.
  SetPanelSeam({nullptr, nullptr, nullptr});
  RemoveDeviceUpdateListener(UpdatePopup);
  ASSERT_TRUE(StartConsole(""));
  EXPECT_TRUE(PanelLives('A'));
  CopyField(device_data['A'].screen[0], "  Refreshed         ");
  NotifyDeviceUpdated('A');
  // The panel showed the record: its copy of what it shows is the record.
  EXPECT_EQ(std::memcmp(&device_prev['A'], &device_data['A'], sizeof(device_struct)), 0);
}

TEST_F(ConsoleStartup, WithLogFeaturesNoPanelOpensAtStart) {
  NameThePort(line.SlavePath());
  directory.Write("defaults.txt", "LOG_CONFIG, LOG_NOPROMPT, LOG_HOURS, DEFAULT_COLOR\r\n");
  ASSERT_TRUE(StartConsole(""));
  EXPECT_TRUE(op.OpenedDialogs().empty());
  EXPECT_FALSE(IsOpen('A'));
}

TEST_F(ConsoleStartup, FactoryModeEnablesSendingTheConfiguration) {
  NameThePort(line.SlavePath());
  directory.Write("mode.txt", "");
  ASSERT_TRUE(StartConsole(""));
  EXPECT_EQ(factory_mode, 1);
  EXPECT_TRUE(ui::IsMenuItemEnabled(main_window, menu_send_configuration));
}

TEST_F(ConsoleStartup, TheTickLogsOnlyWhilePollingIsEnabled) {
  NameThePort(line.SlavePath());
  ASSERT_TRUE(StartConsole(""));
  // A log open on address 5 gets one value line per pass; interval 0 makes
  // every tick a pass.
  const std::string log_path = directory.File("tick.txt");
  logfile[5] = std::fopen(log_path.c_str(), "ab");
  ASSERT_NE(logfile[5], nullptr);
  logging_interval = 0;
  ui::ScriptedOperator::RunFor(400);
  const std::string polled = directory.Read("tick.txt");
  const auto lines_polling = std::count(polled.begin(), polled.end(), '\n');
  EXPECT_GE(lines_polling, 3);  // a 56 ms tick gives about seven
  polling_enabled = 0;
  ui::ScriptedOperator::RunFor(300);
  const std::string text = directory.Read("tick.txt");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), lines_polling);
  polling_enabled = 1;
  std::fclose(logfile[5]);
  logfile[5] = nullptr;
}

TEST_F(ConsoleStartup, ExitAnsweredNoKeepsRunning) {
  NameThePort(line.SlavePath());
  ASSERT_TRUE(StartConsole(""));
  op.Answer(ui::answer_no);
  ASSERT_TRUE(ui::ChooseMenuItem(main_window, menu_exit));
  ui::ScriptedOperator::RunFor(100);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Exit Corvane?");
  EXPECT_EQ(op.Boxes()[0].caption, "Confirm");
  EXPECT_EQ(op.Boxes()[0].buttons, ui::Buttons::yes_no);
  EXPECT_TRUE(ui::IsLive(main_window));
  EXPECT_TRUE(SerialPortIsOpen());
}

TEST_F(ConsoleStartup, ExitAnsweredYesLeavesTheMessageLoop) {
  NameThePort(line.SlavePath());
  ASSERT_TRUE(StartConsole(""));
  op.Answer(ui::answer_yes);
  // Closing the frame is the same as Exit.
  ui::Post(main_window, ui::msg_close);
  EXPECT_EQ(ui::RunMessageLoop(), 0);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Exit Corvane?");
  EXPECT_FALSE(SerialPortIsOpen());
}

TEST_F(ConsoleStartup, AMissingPortOpensTheSerialSettingsFirst) {
  NameThePort("/dev/corvane-no-such-port");
  op.WhenDialogOpens("Serial Port Configuration",
                     [](ui::Handle dialog) { ui::ScriptedOperator::Press(dialog, ui::id_cancel); });
  ASSERT_TRUE(StartConsole(""));
  ASSERT_FALSE(op.OpenedDialogs().empty());
  EXPECT_EQ(op.OpenedDialogs().front(), "Serial Port Configuration");
  EXPECT_FALSE(SerialPortIsOpen());
  EXPECT_TRUE(ui::IsLive(main_window));
}

TEST_F(ConsoleStartup, TabBringsTheLowestOpenPanelForwardAndShiftTheHighest) {
  NameThePort(line.SlavePath());
  ASSERT_TRUE(StartConsole(""));
  // The panel opened at start is not one of this test's.
  ui::Send(poll_dialog['A'], ui::msg_close);
  ui::RegisterWindowClass({"TestPanel", ui::DefaultProcedure, 0, ui::Background::button_face, 0, 0});
  poll_dialog[70] = ui::CreateWindowOf("TestPanel", "70", ui::style_overlapped | ui::style_visible, 0, 0, 100, 100, ui::no_window);
  poll_dialog[90] = ui::CreateWindowOf("TestPanel", "90", ui::style_overlapped | ui::style_visible, 0, 0, 100, 100, ui::no_window);
  EXPECT_EQ(NextAvailablePollAddress(), 71);
  NextWindow(-1, 0);
  EXPECT_EQ(ui::ActiveWindow(), poll_dialog[70]);
  NextWindow(-1, 1);
  EXPECT_EQ(ui::ActiveWindow(), poll_dialog[90]);
  NextWindow(90, 0);
  EXPECT_EQ(ui::ActiveWindow(), main_window);
  EXPECT_EQ(ClosePollWindows(), 90);
  EXPECT_FALSE(IsOpen(70));
  EXPECT_EQ(ClosePollWindows(), 'A');
}

}  // namespace

// "Configuring Device..." against corvane-sim in its own process, over a real
// pseudo-terminal: what the device receives, what the dialog shows, where the
// console ends up.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "config/scratch_directory.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/device_setup.h"
#include "link/link_settings.h"
#include "link/scan_settings.h"
#include "link/wserial.h"
#include "resources/device_setup_dialog.h"
#include "support/sim_process.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;
// Address, body, the line speed it came at.
using Frames = std::vector<std::tuple<int, std::string, long>>;

class DeviceSetupSim : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::InitApplication(0, nullptr);
    ResetSettings();
    ResetLinkSettings();
    ResetScanSettings();
    // Device 'A' becomes 'B' at 19200 E 7 1.
    target_address = 'B';
    target_baud = 19200;
    target_parity = 'E';
    target_data = 7;
    target_stop = 1;
  }
  void TearDown() override {
    CloseSerial();
    ResetScanSettings();
    ResetLinkSettings();
    ResetSettings();
  }
  void Launch(const std::vector<std::string>& args) {
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1) << serial_port;
  }
  // Runs the dialog to its end; the controls' texts when it finished.
  std::map<int, std::string> RunDialog() {
    Op op;
    std::map<int, std::string> shown;
    op.WhenDialogOpens("Configuring Device...", [&](ui::Handle dialog) {
      EXPECT_TRUE(
          Op::RunUntil([&] { return ui::ControlText(dialog, ui::id_ok) == "DONE"; }, 10000));
      for (const int id : std::initializer_list<int>{
               ui::id_ok, id_setup_status, id_setup_port, id_setup_baud, id_setup_data,
               id_setup_stop, id_setup_parity, id_setup_address, id_setup_mode,
               id_setup_terminations, id_setup_console}) {
        shown[id] = ui::ControlText(dialog, id);
      }
      Op::Press(dialog, ui::id_ok);
    });
    RunDeviceSetupDialog(ui::no_window);
    boxes = op.Boxes();
    return shown;
  }
  Frames Received() {
    Frames frames;
    for (const test_support::TraceEntry& entry :
         sim.Trace().value_or(std::vector<test_support::TraceEntry>{})) {
      frames.emplace_back(entry.address, entry.body, entry.speed);
    }
    return frames;
  }

  ScratchDirectory directory;
  test_support::SimProcess sim;
  std::vector<ui::RecordedBox> boxes;  // of the last RunDialog
};

TEST_F(DeviceSetupSim, GivesTheDeviceItsNewSettingsAndTheConsoleFollows) {
  struct Case {
    int target;
    std::string rs485_set;
  };
  for (const Case& c : {Case{'B', "XR2TB"}, Case{0, std::string("XR2T\0", 5)}}) {
    SCOPED_TRACE(c.target);
    ResetLinkSettings();
    std::remove(directory.File("sdefault.txt").c_str());
    target_address = c.target;
    Launch({"--amp", "A", "--serial", "A=9600:N81,port=1,mode=2,term=T"});
    std::map<int, std::string> shown = RunDialog();
    EXPECT_EQ(shown, (std::map<int, std::string>{
                         {ui::id_ok, "DONE"},
                         {id_setup_status, "-- Success! --"},
                         {id_setup_port, "COM1"},
                         {id_setup_baud, "9600"},
                         {id_setup_data, "8"},
                         {id_setup_stop, "1"},
                         {id_setup_parity, "NONE"},
                         {id_setup_address, "A (41h)"},
                         {id_setup_mode, "2-Wire"},
                         {id_setup_terminations, "ON"},
                         {id_setup_console, "Console now uses 19200 E 7 1, saved"},
                     }));
    EXPECT_EQ(Received(), (Frames{{'A', "XR?", 9600},
                                  {'A', "X?", 9600},
                                  {'A', c.rs485_set, 9600},
                                  {c.target, "X1019200E71", 9600}}));
    EXPECT_EQ(sim.Control("line"), "ok 19200 1");
    EXPECT_EQ(directory.Read("sdefault.txt"), sim.LinkPath() + " 19200 E 7 1 0");
    sim.Stop();
    CloseSerial();
  }
}

TEST_F(DeviceSetupSim, AnotherPortThanTheDefaultLeavesTheConsoleAlone) {
  device_port = 2;
  Launch({"--amp", "A", "--serial", "A=9600:N81,port=1"});
  std::map<int, std::string> shown = RunDialog();
  EXPECT_EQ(shown[id_setup_status], "-- Success! --");
  EXPECT_EQ(shown[id_setup_port], "COM2");
  EXPECT_EQ(shown[id_setup_console], "Console unchanged: 9600 N 8 1");
  EXPECT_EQ(Received(), (Frames{{'A', "XR?", 9600},
                                {'A', "X2?", 9600},
                                {'A', "X?", 9600},
                                {'A', "XR2TB", 9600},
                                {'B', "X2019200E71", 9600}}));
  EXPECT_EQ(sim.Control("line"), "ok 9600 1");
  EXPECT_FALSE(std::filesystem::exists(directory.File("sdefault.txt")));
  EXPECT_EQ(sim.DeviceLine('B').value_or(""), "9600:N81,port=1,other=19200:E71,mode=2,term=T");
}

// The device switches without answering the set: the identification at the
// new settings confirms it, even when its answer takes a quarter of a second.
TEST_F(DeviceSetupSim, ADeviceThatSwitchesAtOnceIsConfirmedAtItsNewRate) {
  for (const int rate : {19200, 1200}) {
    SCOPED_TRACE(rate);
    ResetLinkSettings();
    target_baud = rate;
    // Every answer 60 ms late: the identification's then comes 250 ms after
    // it was asked for at 1200 baud.
    Launch({"--amp", "A", "--pace", "--delay", "1", "--delay-ms", "60", "--serial",
            "A=9600:N81,at_once"});
    std::map<int, std::string> shown = RunDialog();
    EXPECT_EQ(shown[id_setup_status], "-- Success! --");
    const std::string set =
        "X1" + std::string(rate < 10000 ? "00" : "0") + std::to_string(rate) + "E71";
    const Frames frames = Received();
    ASSERT_GE(frames.size(), 5u);
    EXPECT_EQ(Frames(frames.end() - 3, frames.end()),
              (Frames{{'B', set, 9600}, {'B', set, 9600}, {'B', "0", rate}}))
        << "two unanswered sets, one identification";
    EXPECT_EQ(sim.Control("line"), "ok " + std::to_string(rate) + " 1");
    sim.Stop();
    CloseSerial();
  }
}

TEST_F(DeviceSetupSim, StopsWhereTheDeviceStopsAnswering) {
  struct Case {
    std::string settings;
    std::string result;
    Frames frames;
  };
  const Case cases[] = {
      {"A=19200:N81", "-- No Response From Device --", {{'A', "XR?", 9600}, {'A', "XR?", 9600}}},
      {"A=9600:N81,refuse",
       "-- Unable to Set Address --",
       {{'A', "XR?", 9600}, {'A', "X?", 9600}, {'A', "XR2TB", 9600}, {'A', "XR2TB", 9600}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    Launch({"--amp", "A", "--serial", c.settings});
    std::map<int, std::string> shown = RunDialog();
    EXPECT_EQ(shown[id_setup_status], c.result);
    EXPECT_EQ(shown[id_setup_console], "Console unchanged: 9600 N 8 1");
    EXPECT_EQ(Received(), c.frames);
    EXPECT_EQ(sim.Control("line"), "ok 9600 1");
    EXPECT_FALSE(std::filesystem::exists(directory.File("sdefault.txt")));
    sim.Stop();
    CloseSerial();
  }
}

// Frames would go to a connection, not to the port that is still open.
TEST_F(DeviceSetupSim, OverEthernetNothingIsSentNorChanged) {
  Launch({"--amp", "A"});
  use_ethernet = 1;
  std::map<int, std::string> shown = RunDialog();
  EXPECT_EQ(shown[id_setup_status], "Can't setup serial port.");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text + " / " + boxes[0].caption, "Can't setup serial port. / Error");
  EXPECT_EQ(Received(), Frames{});
  EXPECT_EQ(serial_baud, 9600);
  EXPECT_FALSE(std::filesystem::exists(directory.File("sdefault.txt")));
}

}  // namespace

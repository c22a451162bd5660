// "Configuring Device..." against corvane-sim in its own process, over a real
// pseudo-terminal: what the device receives, what the dialog shows, where the
// console ends up.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "config/scratch_directory.h"
#include "config/settings.h"
#include "link/device_setup.h"
#include "link/device_setup_dialog.h"
#include "link/link_settings.h"
#include "link/scan_settings.h"
#include "link/wserial.h"
#include "records/program_state.h"
#include "resources/device_setup_dialog.h"
#include "support/sim_process.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;
using Frames = std::vector<std::tuple<int, std::string, long>>;  // address, body, line speed
using Shown = std::map<int, std::string>;                        // by control id

class DeviceSetupSim : public ::testing::Test {
 protected:
  void SetUp() override { ui::InitApplication(0, nullptr); }
  void TearDown() override {
    CloseSerial();
    ResetScanSettings();
    ResetLinkSettings();
    ResetSettings();
  }
  // Device 'A' on a fresh simulator, to become 'B' at rate E 7 1.
  void Launch(const std::vector<std::string>& args, int rate = 19200) {
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
    ResetScanSettings();
    std::tie(target_address, target_baud, target_parity, target_data, target_stop) =
        std::make_tuple('B', rate, 'E', 7, 1);
    std::filesystem::remove(directory.File("sdefault.txt"));
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1) << serial_port;
  }
  // Runs the dialog to its end and closes it; its controls' texts then.
  Shown RunDialog() {
    Op op;
    Shown shown;
    op.WhenDialogOpens("Configuring Device...", [&](ui::Handle dialog) {
      EXPECT_EQ(ui::ControlText(dialog, ui::id_ok) + ui::ControlText(dialog, id_setup_status) +
                    ui::ControlText(dialog, id_setup_address) + std::to_string(polling_enabled),
                "ABORT-- Verifying Configuration --??0");
      EXPECT_TRUE(
          Op::RunUntil([&] { return ui::ControlText(dialog, ui::id_ok) == "DONE"; }, 10000));
      for (int id = id_setup_status; id <= id_setup_console; ++id) {
        shown[id] = ui::ControlText(dialog, id);
      }
      Op::Press(dialog, ui::id_ok);
    });
    RunDeviceSetupDialog(ui::no_window);
    EXPECT_EQ(polling_enabled, 1);
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
  void ExpectConsoleUnchanged(const Shown& shown) {
    EXPECT_EQ(shown.at(id_setup_console), "Console unchanged: 9600 N 8 1");
    EXPECT_EQ(sim.Control("line"), "ok 9600 1");
    EXPECT_FALSE(std::filesystem::exists(directory.File("sdefault.txt")));
  }

  ScratchDirectory directory;
  test_support::SimProcess sim;
  std::vector<ui::RecordedBox> boxes;  // of the last RunDialog
};

TEST_F(DeviceSetupSim, GivesTheDeviceItsNewSettingsAndTheConsoleFollows) {
  for (const auto& [address, quillon] : {std::pair{int{'B'}, false}, {0, false}, {'B', true}}) {
    SCOPED_TRACE(std::to_string(address) + (quillon ? " Quillon" : " Tessary"));
    std::vector<std::string> args = {"--amp", "A", "--serial", "A=9600:N81,port=1,mode=2,term=T"};
    if (quillon) args.push_back("--quillon");
    Launch(args);
    target_address = address;
    quillon_protocol = quillon;
    std::string fields;
    for (const auto& [id, text] : RunDialog()) fields += text + "|";
    EXPECT_EQ(fields,
              "-- Success! --|COM1|9600|8|1|NONE|A (41h)|2-Wire|ON|"
              "Console now uses 19200 E 7 1, saved|");
    const std::string set_address = address ? "XR2TB" : std::string("XR2T\0", 5);
    EXPECT_EQ(Received(), (Frames{{'A', "XR?", 9600},
                                  {'A', "X?", 9600},
                                  {'A', set_address, 9600},
                                  {address, "X1019200E71", 9600}}));
    EXPECT_EQ(sim.Control("line"), "ok 19200 1");
    EXPECT_EQ(directory.Read("sdefault.txt"), sim.LinkPath() + " 19200 E 7 1 0");
  }
}

TEST_F(DeviceSetupSim, AnotherPortThanTheDefaultLeavesTheConsoleAlone) {
  Launch({"--amp", "A", "--serial", "A=9600:N81,port=1"});
  device_port = 2;
  const Shown shown = RunDialog();
  EXPECT_EQ(shown.at(id_setup_status) + " " + shown.at(id_setup_port), "-- Success! -- COM2");
  EXPECT_EQ(Received(), (Frames{{'A', "XR?", 9600},
                                {'A', "X2?", 9600},
                                {'A', "X?", 9600},
                                {'A', "XR2TB", 9600},
                                {'B', "X2019200E71", 9600}}));
  ExpectConsoleUnchanged(shown);
  EXPECT_EQ(sim.DeviceLine('B').value_or(""), "9600:N81,port=1,other=19200:E71,mode=2,term=T");
}

// The device switches without answering the set: the identification at the
// new settings confirms it, even when its answer takes a quarter of a second.
TEST_F(DeviceSetupSim, ADeviceThatSwitchesAtOnceIsConfirmedAtItsNewRate) {
  for (const int rate : {19200, 1200}) {
    SCOPED_TRACE(rate);
    // Every answer 60 ms late: the identification's comes 250 ms after the
    // question at 1200 baud.
    Launch({"--amp", "A", "--pace", "--delay", "1", "--delay-ms", "60", "--serial",
            "A=9600:N81,at_once"},
           rate);
    EXPECT_EQ(RunDialog().at(id_setup_status), "-- Success! --");
    char set[16];
    std::snprintf(set, sizeof set, "X1%06dE71", rate);
    const Frames frames = Received();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(Frames(frames.end() - 3, frames.end()),
              (Frames{{'B', set, 9600}, {'B', set, 9600}, {'B', "0", rate}}));
    EXPECT_EQ(sim.Control("line"), "ok " + std::to_string(rate) + " 1");
  }
}

// Ethernet in use (frames would go to a connection, not to the port still
// open), a device at other settings, one refusing the set.
TEST_F(DeviceSetupSim, StopsWhereTheDeviceStopsAnsweringAndChangesNothing) {
  struct Case {
    std::string settings;
    std::string result;
    Frames frames;
  };
  const Case cases[] = {
      {"", "Can't setup serial port.", {}},
      {"A=19200:N81", "-- No Response From Device --", {{'A', "XR?", 9600}, {'A', "XR?", 9600}}},
      {"A=9600:N81,refuse",
       "-- Unable to Set Address --",
       {{'A', "XR?", 9600}, {'A', "X?", 9600}, {'A', "XR2TB", 9600}, {'A', "XR2TB", 9600}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    Launch({"--amp", "A", "--serial", c.settings.empty() ? "A=9600:N81" : c.settings});
    use_ethernet = c.settings.empty();
    const Shown shown = RunDialog();
    EXPECT_EQ(shown.at(id_setup_status), c.result);
    EXPECT_EQ(boxes.size(), c.settings.empty() ? 1u : 0u);
    EXPECT_EQ(Received(), c.frames);
    ExpectConsoleUnchanged(shown);
  }
}

}  // namespace

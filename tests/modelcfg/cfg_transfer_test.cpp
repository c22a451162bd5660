// The editor's own exchanges against corvane-sim on a pseudo-terminal: one
// line sent with "Y1" and its statuses, and "Get All" by "Y0".
#include "modelcfg/cfg_transfer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/test_support.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_editor_commands.h"
#include "modelcfg/model_cfg.h"
#include "records/program_state.h"
#include "support/sim_process.h"
#include "ui/measuring_context.h"
#include "ui/scripted_operator.h"

namespace {

class CfgTransfer : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    std::memset(protocol_state, 0, sizeof protocol_state);
    screen_compatible_dc = &ui::ScreenMeasuringContext();
    total_cfg_lines = 0;
  }
  void TearDown() override {
    ui::Destroy(modelcfg_popup);
    total_cfg_lines = 0;
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
  }
  void Launch(std::vector<std::string> args) {
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1) << serial_port;
    CreateModelCfgPopup();
    transfer_device = 'A';
    SetModelCfgTitle("Model.Cfg");
  }
  void Set(const std::string& command) {
    const std::string answer = sim.Control(command);
    ASSERT_EQ(answer.rfind("ok", 0), 0u) << command << ": " << answer;
  }
  void Add(std::string text) { AddModelCfgLine(total_cfg_lines, text.data()); }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
  test_support::SimProcess sim;
};

TEST_F(CfgTransfer, ALineGoesOutWithItsPickAndItsStatusFollowsTheAnswer) {
  Launch({"--amp", "A", "--steady"});
  Add("POWER *HIGH / LOW");
  Add("ABC");
  model_cfg_struct& power = configuration_line[0];

  power.new_selection = 1;
  SendModelCfgLine(0);
  EXPECT_EQ(sim.Control("get A last"), "ok Y1POWER\\x09\\x09HIGH / *LOW");
  EXPECT_EQ(power.sent, modelcfg_status_sent);
  EXPECT_EQ(power.selected, 1);
  EXPECT_EQ(power.new_selection, -1);
  EXPECT_STREQ(ModelCfgTitle(), "Model.Cfg (modified)");
  EXPECT_EQ(getall_button.face_color, cfg_green);

  // Refused: failed, no option in force, and the pick waits for the next send.
  ASSERT_TRUE(sim.SetY1Fault('A', test_support::SimProcess::Y1Fault::nak));
  power.new_selection = 0;
  SendModelCfgLine(0);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Couldn't set the configuration");
  EXPECT_EQ(power.sent, modelcfg_status_failed);
  EXPECT_EQ(power.selected, -1);
  EXPECT_EQ(power.new_selection, 0);

  ASSERT_TRUE(sim.SetY1Fault('A', test_support::SimProcess::Y1Fault::none));
  SendModelCfgLine(0);
  EXPECT_EQ(sim.Control("get A last"), "ok Y1POWER\\x09\\x09*HIGH / LOW");
  EXPECT_EQ(power.sent, modelcfg_status_sent);
  EXPECT_EQ(power.selected, 0);
  EXPECT_STREQ(ModelCfgTitle(), "Model.Cfg (modified)");

  SendModelCfgLine(1);
  EXPECT_EQ(sim.Control("get A last"), "ok Y1ABC");

  // A line longer than one command body never reaches the device.
  Add(std::string(249, 'k'));
  op.ClearBoxes();
  SendModelCfgLine(2);
  EXPECT_EQ(sim.Control("get A last"), "ok Y1ABC");
  EXPECT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(configuration_line[2].sent, modelcfg_status_unsent);
}

TEST_F(CfgTransfer, GetAllLoadsTheDevicesFileAndAFailedFetchKeepsTableAndFile) {
  const std::string device_file =
      "MODEL               \tTWTA-750-KU / *TWTA-250-KU\r\n"
      "POWER               \tHIGH / *LOW\r\n";
  Launch({"--amp", "A", "--steady"});
  ASSERT_TRUE(sim.SetModelCfg('A', device_file));

  ASSERT_EQ(GetConfigViaSerialProtocol(), 1);
  EXPECT_EQ(directory.Read("Model.cfg"), device_file);
  ASSERT_EQ(total_cfg_lines, 2);
  EXPECT_STREQ(configuration_line[1].keyword, "POWER");
  EXPECT_EQ(configuration_line[1].selected, 1);
  EXPECT_EQ(configuration_line[1].sent, modelcfg_status_unsent);

  Set("faults drop=1");
  EXPECT_EQ(GetConfigViaSerialProtocol(), 0);
  EXPECT_EQ(total_cfg_lines, 2);
  EXPECT_EQ(directory.Read("Model.cfg"), device_file);
  ASSERT_FALSE(op.Boxes().empty());
  EXPECT_EQ(op.Boxes().back().text, "Command failed.  Can't retrieve configuration.");
}

}  // namespace

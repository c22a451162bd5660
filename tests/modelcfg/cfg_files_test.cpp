// Configuration exchanges against corvane-sim on a pseudo-terminal and over
// loopback TCP: "&Get" and "&Send" with the files on both sides byte for byte,
// the commands on the wire, the refusals and polling back on after every way
// out; the editor's one-line send and "Get All".
#include "modelcfg/cfg_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/test_support.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/discovery.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_editor_commands.h"
#include "modelcfg/cfg_transfer.h"
#include "modelcfg/model_cfg.h"
#include "modelcfg/replace_file.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "resources/modelcfg_dialogs.h"
#include "support/sim_process.h"
#include "ui/dialog.h"
#include "ui/measuring_context.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

// What the Get/Send dialog showed after OK.
struct DialogSeen {
  int openings = 0;
  std::string status;
  bool ok_enabled = false;
};

class CfgFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    std::memset(protocol_state, 0, sizeof protocol_state);
    polling_enabled = 1;
  }
  void TearDown() override {
    ui::Destroy(modelcfg_popup);
    total_cfg_lines = 0;
    CloseSerial();
    CleanupSocketComm();
    ResetSettings();
    ResetLinkSettings();
    use_default_port = 1;
    tcpip_port = 2000;
  }
  void Launch(std::vector<std::string> args) {
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1) << serial_port;
  }
  void Set(const std::string& command) {
    const std::string answer = sim.Control(command);
    ASSERT_EQ(answer.rfind("ok", 0), 0u) << command << ": " << answer;
  }
  void OpenEditor() {
    screen_compatible_dc = &ui::ScreenMeasuringContext();
    total_cfg_lines = 0;
    CreateModelCfgPopup();
    transfer_device = 'A';
    SetModelCfgTitle("Model.Cfg");
  }
  void Add(std::string text) { AddModelCfgLine(total_cfg_lines, text.data()); }
  std::vector<std::string> Bodies() {
    return sim.Y1Bodies('A').value_or(std::vector<std::string>{});
  }
  // Presses OK in the next Get/Send dialog; one that stays open after a
  // failure is cancelled.
  void PressOk(const std::string& title) {
    op.WhenDialogOpens(title, [this](ui::Handle dialog) {
      ++seen.openings;
      Op::Press(dialog, ui::id_ok);
      seen.status = ui::ControlText(dialog, id_transfer_status);
      seen.ok_enabled = ui::IsControlEnabled(dialog, ui::id_ok);
      if (op.Boxes().empty() || op.Boxes().back().caption != "Success") {
        Op::Press(dialog, ui::id_cancel);
      }
    });
  }
  std::string LastBox() const { return op.Boxes().empty() ? "" : op.Boxes().back().text; }
  long FileCount() const {
    return std::distance(std::filesystem::directory_iterator(directory.File("")),
                         std::filesystem::directory_iterator());
  }

  ScratchDirectory directory;
  Op op;
  test_support::SimProcess sim;
  DialogSeen seen;
};

const std::string device_file = std::string("; Model.cfg  \xE9t\xE9 \0\xFF\r\n", 21) +
                                "MODEL               \tTWTA-750-KU / *TWTA-250-KU\r\n"
                                "POWER               \tHIGH / *LOW\r\n";

TEST_F(CfgFiles, GetWritesTheDevicesFileAndEveryWayOutTurnsPollingOn) {
  Launch({"--amp", "A", "--steady"});
  ASSERT_TRUE(sim.SetModelCfg('A', device_file));
  const std::string saved = directory.File("saved.cfg");

  op.AnswerFileDialog(saved);
  PressOk("Get Configuration");
  GetConfig();
  EXPECT_EQ(seen.openings, 1);
  EXPECT_EQ(directory.Read("saved.cfg"), device_file);
  EXPECT_EQ(LastBox(), "Configuration saved in " + saved + ".");
  EXPECT_EQ(polling_enabled, 1);

  // Any bytes at all arrive as they were sent.
  ASSERT_TRUE(sim.SetY0Fault('A', test_support::SimProcess::Y0Fault::binary));
  op.AnswerFileDialog(saved);
  op.Answer(ui::answer_yes);
  PressOk("Get Configuration");
  GetConfig();
  EXPECT_EQ(directory.Read("saved.cfg"), sim.Y0Text('A').value_or("?"));
  EXPECT_NE(directory.Read("saved.cfg"), device_file);
  ASSERT_TRUE(sim.SetY0Fault('A', test_support::SimProcess::Y0Fault::none));

  // No to the overwrite question: nothing goes to the device.
  const int fetches = sim.Y0Count('A');
  op.AnswerFileDialog(saved);
  op.Answer(ui::answer_no);
  GetConfig();
  EXPECT_EQ(LastBox(), "File " + saved + " exists.  Overwrite?");
  EXPECT_EQ(seen.openings, 2);
  EXPECT_EQ(sim.Y0Count('A'), fetches);
  EXPECT_EQ(polling_enabled, 1);

  // The file dialog cancelled, and the Get dialog cancelled.
  GetConfig();
  EXPECT_EQ(polling_enabled, 1);
  op.AnswerFileDialog(directory.File("other.cfg"));
  op.WhenDialogOpens("Get Configuration",
                     [](ui::Handle dialog) { Op::Press(dialog, ui::id_cancel); });
  GetConfig();
  EXPECT_EQ(polling_enabled, 1);
  EXPECT_EQ(sim.Y0Count('A'), fetches);
  EXPECT_EQ(FileCount(), 1);  // no temporary left behind
}

TEST_F(CfgFiles, BadAnswersToTheFetchKeepTheOldFile) {
  using Y0Fault = test_support::SimProcess::Y0Fault;
  Launch({"--amp", "A", "--steady"});
  ASSERT_TRUE(sim.SetModelCfg('A', device_file));
  struct Case {
    const char* name;
    std::string fault;  // a link fault, or empty for the Model.cfg one
    Y0Fault y0_fault;
  };
  const Case cases[] = {{"missing", "drop", Y0Fault::none},
                        {"NAK", "nak", Y0Fault::none},
                        {"garbage", "bad-checksum", Y0Fault::none},
                        {"short", "", Y0Fault::short_reply},
                        {"overflowing", "", Y0Fault::oversize}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    directory.Write("saved.cfg", "old\r\n");
    if (!c.fault.empty()) Set("faults " + c.fault + "=1");
    ASSERT_TRUE(sim.SetY0Fault('A', c.y0_fault));
    op.AnswerFileDialog(directory.File("saved.cfg"));
    op.Answer(ui::answer_yes);
    PressOk("Get Configuration");
    GetConfig();
    if (!c.fault.empty()) Set("faults " + c.fault + "=0");
    EXPECT_EQ(LastBox(), "Command failed.  Can't retrieve configuration.");
    EXPECT_TRUE(seen.ok_enabled);
    EXPECT_EQ(directory.Read("saved.cfg"), "old\r\n");
    EXPECT_EQ(FileCount(), 1);  // no temporary left behind
    EXPECT_EQ(polling_enabled, 1);
  }

  // A good answer that cannot take the old file's place.
  ASSERT_TRUE(sim.SetY0Fault('A', Y0Fault::none));
  static const replace_file_ops no_rename{
      system_file_ops.create_temporary, system_file_ops.write, system_file_ops.sync,
      system_file_ops.close, [](const char*, const char*) { return errno = EXDEV, -1; }};
  file_ops = &no_rename;
  op.AnswerFileDialog(directory.File("saved.cfg"));
  op.Answer(ui::answer_yes);
  PressOk("Get Configuration");
  GetConfig();
  file_ops = &system_file_ops;
  EXPECT_EQ(LastBox(), "Unable to save '" + directory.File("saved.cfg") + "'");
  EXPECT_TRUE(seen.ok_enabled);
  EXPECT_EQ(directory.Read("saved.cfg"), "old\r\n");
  EXPECT_EQ(FileCount(), 1);
}

TEST_F(CfgFiles, SendGivesOneCommandPerLineAndRefusesFilesThatWouldNotGoWhole) {
  Launch({"--amp", "A", "--steady"});
  const std::string longest(246, 'x');  // with CR LF and "Y1": a full command body
  directory.Write("send.cfg", "abc\r\n\n\r\n" + longest + "\r\nPOWER\t\tHIGH / *LOW");
  op.AnswerFileDialog(directory.File("send.cfg"));
  PressOk("Send Configuration");
  EXPECT_EQ(SendConfig(nullptr), 1);
  EXPECT_EQ(LastBox(), "Configuration Sent");
  EXPECT_EQ(seen.status, "POWER\t\tHIGH / *LOW");
  const std::vector<std::string> sent = {"Y1abc  ", "Y1  ", "Y1" + longest + "  ",
                                         "Y1POWER\t\tHIGH / *LOW"};
  EXPECT_EQ(Bodies(), sent);
  EXPECT_EQ(polling_enabled, 1);

  // Silent from the third line on: the failure shows the line it stopped at.
  ASSERT_TRUE(sim.SetY1Fault('A', test_support::SimProcess::Y1Fault::silent, 3));
  PressOk("Send Configuration");
  EXPECT_EQ(SendConfig(directory.File("send.cfg").c_str()), 0);
  EXPECT_EQ(LastBox(), "Command Failed.");
  EXPECT_EQ(seen.status, longest + "  ");
  EXPECT_TRUE(seen.ok_enabled);
  // Two lines answered, then the third tried four times; the fourth never sent.
  EXPECT_EQ(Bodies().size(), 10u);
  EXPECT_EQ(Bodies().back(), "Y1" + longest + "  ");
  EXPECT_EQ(polling_enabled, 1);
  ASSERT_TRUE(sim.SetY1Fault('A', test_support::SimProcess::Y1Fault::none));

  struct Case {
    std::string bytes;
    std::string message;
  };
  const std::string path = directory.File("refused.cfg");
  const Case cases[] = {
      {std::string(10001, 'x'), "'" + path + "' is longer than 10000 bytes.  Nothing was sent."},
      {"ok\r\n" + std::string(247, 'x') + "\r\n",
       "Line 2 of '" + path + "' is longer than 248 bytes.  Nothing was sent."},
  };
  for (const Case& c : cases) {
    directory.Write("refused.cfg", c.bytes);
    const std::size_t bodies = Bodies().size();
    PressOk("Send Configuration");
    EXPECT_EQ(SendConfig(path.c_str()), 0);
    EXPECT_EQ(LastBox(), c.message);
    EXPECT_TRUE(seen.ok_enabled);
    EXPECT_EQ(Bodies().size(), bodies);
  }

  // A missing file is said at once; OK then finds nothing to read.
  op.ClearBoxes();
  const std::string missing = directory.File("missing.cfg");
  PressOk("Send Configuration");
  EXPECT_EQ(SendConfig(missing.c_str()), 0);
  ASSERT_EQ(op.Boxes().size(), 2u);
  EXPECT_EQ(op.Boxes()[0].text, "File " + missing + " not found.");
  EXPECT_EQ(op.Boxes()[0].caption, "Bad News");
  EXPECT_EQ(op.Boxes()[1].text, "Can't open file '" + missing + "' for reading.");
  EXPECT_EQ(polling_enabled, 1);
}

TEST_F(CfgFiles, OverTcpTheChosenDeviceIsFetchedAndAFailedConnectionIsSaid) {
  setenv("CORVANE_DISCOVERY_ADDRESS", "127.0.0.1:9", 1);
  std::string error;
  ASSERT_TRUE(
      sim.Start({"--amp", "A", "--steady", "--ip-base", "127.0.0.95", "--tcp-port", "0"}, &error))
      << error;
  ASSERT_TRUE(sim.SetModelCfg('A', device_file));
  use_ethernet = 1;
  use_default_port = 0;
  tcpip_port = sim.TcpPort();
  CopyField(default_ipaddress, sim.DeviceAddress('A').c_str());

  std::string address_shown;
  op.AnswerFileDialog(directory.File("saved.cfg"));
  op.WhenDialogOpens("Retrieve model.cfg", [](ui::Handle dialog) { Op::Press(dialog, ui::id_ok); });
  op.WhenDialogOpens("Get Configuration", [&](ui::Handle dialog) {
    address_shown = ui::ControlText(dialog, id_transfer_address);
    Op::Press(dialog, ui::id_ok);
  });
  GetConfig();
  EXPECT_EQ(address_shown, sim.DeviceAddress('A'));
  EXPECT_EQ(directory.Read("saved.cfg"), device_file);
  EXPECT_EQ(polling_enabled, 1);
  EXPECT_EQ(ethernet_action, ETHERNET_DEFAULT);

  // No device at that address: said once, no dialog, polling back on.
  CopyField(default_ipaddress, "127.0.0.94");
  op.AnswerFileDialog(directory.File("other.cfg"));
  op.WhenDialogOpens("Send model.cfg", [](ui::Handle dialog) { Op::Press(dialog, ui::id_ok); });
  directory.Write("other.cfg", "x\r\n");
  op.ClearBoxes();
  EXPECT_EQ(SendConfig(nullptr), 0);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Can't connect.");
  EXPECT_EQ(polling_enabled, 1);
  EXPECT_EQ(ethernet_action, ETHERNET_DEFAULT);
}

TEST_F(CfgFiles, ALineGoesOutWithItsPickAndItsStatusFollowsTheAnswer) {
  Launch({"--amp", "A", "--steady"});
  OpenEditor();
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

TEST_F(CfgFiles, GetAllLoadsTheDevicesFileAndAFailedFetchKeepsTableAndFile) {
  const std::string editor_file = device_file.substr(device_file.find('\n') + 1);
  Launch({"--amp", "A", "--steady"});
  ASSERT_TRUE(sim.SetModelCfg('A', editor_file));
  OpenEditor();

  ASSERT_EQ(GetConfigViaSerialProtocol(), 1);
  EXPECT_EQ(directory.Read("Model.cfg"), editor_file);
  ASSERT_EQ(total_cfg_lines, 2);
  EXPECT_STREQ(configuration_line[1].keyword, "POWER");
  EXPECT_EQ(configuration_line[1].selected, 1);
  EXPECT_EQ(configuration_line[1].sent, modelcfg_status_unsent);

  Set("faults drop=1");
  EXPECT_EQ(GetConfigViaSerialProtocol(), 0);
  EXPECT_EQ(total_cfg_lines, 2);
  EXPECT_EQ(directory.Read("Model.cfg"), editor_file);
  ASSERT_FALSE(op.Boxes().empty());
  EXPECT_EQ(op.Boxes().back().text, "Command failed.  Can't retrieve configuration.");
}

}  // namespace

// "&Get" and "&Send" against corvane-sim on a pseudo-terminal and over
// loopback TCP: the files on both sides byte for byte, the commands on the
// wire, the refusals, and polling back on after every way out.
#include "modelcfg/cfg_files.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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
#include "records/device_records.h"
#include "records/program_state.h"
#include "resources/modelcfg_dialogs.h"
#include "support/sim_process.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

// A loopback port nobody listens on: bound once by the system, then let go.
int UnusedPort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);
  return ntohs(address.sin_port);
}

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
  bool OnlyFiles(std::initializer_list<std::string> names) const {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(directory.File(""))) {
      (void)entry;
      ++count;
    }
    for (const std::string& name : names) {
      if (!directory.Exists(name)) return false;
    }
    return count == names.size();
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
  ASSERT_EQ(op.FileDialogs().size(), 1u);
  EXPECT_EQ(op.FileDialogs()[0].title, "Choose Where To Save Retrieved Configuration");

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
  polling_enabled = 1;
  GetConfig();
  EXPECT_EQ(polling_enabled, 1);
  op.AnswerFileDialog(directory.File("other.cfg"));
  op.WhenDialogOpens("Get Configuration",
                     [](ui::Handle dialog) { Op::Press(dialog, ui::id_cancel); });
  GetConfig();
  EXPECT_EQ(polling_enabled, 1);
  EXPECT_EQ(sim.Y0Count('A'), fetches);
  EXPECT_TRUE(OnlyFiles({"saved.cfg"}));
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
    EXPECT_TRUE(OnlyFiles({"saved.cfg"}));
    EXPECT_EQ(polling_enabled, 1);
  }
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

  // Nothing listens there: said once, no dialog, polling back on.
  CopyField(default_ipaddress, "127.0.0.1");
  tcpip_port = UnusedPort();
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

}  // namespace

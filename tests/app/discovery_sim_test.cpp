#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/popup.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/discovery.h"
#include "link/link_settings.h"
#include "link/scan_ip_dialog.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "resources/scan_ip_dialog.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/keys.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

TEST(DiscoveryWithTheSimulator, FindsBothAmplifiersConnectsAndPolls) {
  setenv("CORVANE_DISCOVERY_ADDRESS", "127.0.0.1:9", 1);
  ScratchDirectory directory;
  ResetLinkSettings();
  ResetSettings();
  for (int address = 0; address < device_count; ++address) ZeroDeviceData(address);
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--amp", "B", "--ip-base", "127.0.0.80", "--tcp-port", "0",
                         "--discovery", "127.0.0.1:0", "--steady"},
                        &error))
      << error;
  const std::string target = "127.0.0.1:" + std::to_string(sim.DiscoveryPort());
  setenv("CORVANE_DISCOVERY_ADDRESS", target.c_str(), 1);
  use_ethernet = 1;
  use_default_port = 0;
  tcpip_port = sim.TcpPort();
  ASSERT_TRUE(RegisterPanelClasses());
  SetSocketPanelOpener(CreatePollDialog);
  std::memset(protocol_state, 0, sizeof protocol_state);

  ui::ScriptedOperator op;
  std::vector<std::string> lines;
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    for (ui::TreeItem item : ui::TreeItems(dialog, id_scan_devices))
      lines.push_back(ui::TreeItemText(dialog, id_scan_devices, item));
    Op::Choose(dialog, id_scan_devices, 1);
    Op::Press(dialog, ui::id_ok);
  });
  EXPECT_EQ(RunScanIpDialog(ui::no_window), 1);
  EXPECT_EQ(lines, (std::vector<std::string>{"127.0.0.80 ... Simulated amplifier A",
                                             "127.0.0.81 ... Simulated amplifier B"}));
  ASSERT_EQ(use_device, 'A');
  EXPECT_STREQ(device_sock['A'].address, "127.0.0.81");
  ASSERT_TRUE(IsOpen('A'));

  // The panel's slot is polled over its own connection: amplifier B answers.
  polling_interval = 0;
  const bool answered = Op::RunUntil(
      [] {
        MainTick();
        return device_data['A'].screen[1][0] != '\0' &&
               std::string(device_data['A'].screen[1]) != "     No Status      ";
      },
      5000);
  EXPECT_TRUE(answered);
  EXPECT_TRUE(op.Boxes().empty());
  ClosePollWindows();
  CleanupSocketComm();
  ResetLinkSettings();
  ResetSettings();
  use_default_port = 1;
}

}  // namespace

// A device connection against corvane-sim's TCP side: connected from the
// console's own path, polled on the main tick, lost and counted down.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/main_window.h"
#include "app/popup.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"

namespace {

const std::string no_status = "     No Status      ";

TEST(SocketWithTheSimulator, AConnectedPanelIsPolledOverTcpUntilTheDeviceHangsUp) {
  ScratchDirectory directory;
  ResetLinkSettings();
  ResetSettings();
  for (int address = 0; address < device_count; ++address) ZeroDeviceData(address);
  std::memset(protocol_state, 0, sizeof protocol_state);
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(
      sim.Start({"--amp", "A", "--ip-base", "127.0.0.90", "--tcp-port", "0", "--steady"}, &error))
      << error;
  use_ethernet = 1;
  use_default_port = 0;
  tcpip_port = sim.TcpPort();
  CopyField(default_ipaddress, sim.DeviceAddress('A').c_str());
  polling_enabled = 1;
  ASSERT_TRUE(RegisterPanelClasses());
  SetSocketPanelOpener(CreatePollDialog);
  ui::RegisterWindowClass({"SocketSimMain", MainCallBack, 0, ui::Background::dark_grey, 0, 0});
  main_window = ui::CreateWindowOf("SocketSimMain", "main", ui::style_overlapped, 0, 0, 200, 100,
                                   ui::no_window);
  ui::ScriptedOperator op;

  ASSERT_EQ(OpenSocketComm(main_window, 0), 'A');
  ASSERT_TRUE(IsOpen('A'));
  ui::StartTimer(main_window, 1, main_tick_ms);
  const auto answered = [] { return std::string(device_data['A'].screen[1]) != no_status; };
  EXPECT_TRUE(ui::ScriptedOperator::RunUntil(answered, 10000));
  EXPECT_NE(sim.Control("tcp A").find("connected"), std::string::npos);

  EXPECT_EQ(sim.Control("tcp A close").rfind("ok", 0), 0u);
  EXPECT_TRUE(ui::ScriptedOperator::RunUntil([&] { return !answered(); }, 10000));
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Lost ethernet connection to " + sim.DeviceAddress('A') +
                                    ", reason: Graceful Disconnect.");
  EXPECT_TRUE(IsOpen('A'));

  ui::Destroy(poll_dialog['A']);
  poll_dialog['A'] = ui::no_window;
  ui::Destroy(main_window);
  main_window = ui::no_window;
  CleanupSocketComm();
  SetSocketPanelOpener(nullptr);
  ResetLinkSettings();
  ResetSettings();
  use_default_port = 1;
  tcpip_port = 2000;
}

}  // namespace

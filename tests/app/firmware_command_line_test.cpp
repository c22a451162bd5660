// "/f" on the command line sends its firmware file through the menu command;
// a later "&Update Firmware" asks for the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/main_window.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/event_journal.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/menu_ids.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

TEST(FirmwareFromTheCommandLine, SlashFSendsTheFileOnceAndTheMenuAsksLater) {
  ScratchDirectory directory;
  ResetSettings();
  ResetLinkSettings();
  std::memset(protocol_state, 0, sizeof protocol_state);
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(
      sim.Start({"--amp", "A", "--steady", "--reboot-ms", "300", "--serial", "A=9600:N81"}, &error))
      << error;
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  ASSERT_EQ(InitSerial(), 1) << serial_port;
  ui::RegisterWindowClass({"FirmwareMain", MainCallBack, 0, ui::Background::dark_grey, 0, 0});
  main_window = ui::CreateWindowOf("FirmwareMain", "main", ui::style_overlapped, 0, 0, 200, 100,
                                   ui::no_window);
  const std::string content(1234, '\x5A');
  directory.Write("new_fw.exe", content);
  const std::string path = directory.File("new_fw.exe");
  Op op;
  op.WhenDialogOpens("4", [](ui::Handle dialog) {
    Op::Press(dialog, ui::id_ok);
    Op::RunUntil([&] { return !ui::IsLive(dialog) || ui::Progress(dialog, 101) == 100; }, 30000);
  });
  ProcessCommandLine("/f" + path);
  ASSERT_EQ(op.OpenedDialogs().size(), 1u);
  EXPECT_EQ(op.OpenedDialogs()[0], "Send Firmware: " + path);
  EXPECT_TRUE(op.FileDialogs().empty());
  const auto firmware = sim.Firmware('A');
  ASSERT_TRUE(firmware);
  EXPECT_EQ(firmware->hash, test_support::FirmwareHash(content));
  EXPECT_TRUE(firmware->finished);
  ASSERT_FALSE(JournalEvents().empty());
  EXPECT_EQ(JournalEvents().back().kind, "firmware_download_done");
  EXPECT_EQ(autoload_fw, 0);
  EXPECT_STREQ(firmware_filename, path.c_str());

  // The menu offers the last file in the file dialog; cancelling it ends there.
  ui::Send(main_window, ui::msg_command, ui::MakeCommand(menu_update_firmware, ui::notify_clicked));
  ASSERT_EQ(op.FileDialogs().size(), 1u);
  EXPECT_EQ(op.OpenedDialogs().size(), 1u);
  EXPECT_EQ(polling_enabled, 1);
  EXPECT_TRUE(op.Boxes().empty());

  ui::Destroy(main_window);
  main_window = ui::no_window;
  CloseSerial();
  ResetSettings();
  ResetLinkSettings();
}

}  // namespace

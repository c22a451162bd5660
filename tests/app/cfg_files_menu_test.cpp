// The configuration files from the console itself: "&Get" from the menu with
// a panel open, and "/c" on the command line, against corvane-sim.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/popup.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/menu_ids.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/measuring_context.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

TEST(ConfigurationFilesFromTheConsole, MenuGetClosesPanelsQuietlyAndSlashCSendsTheFile) {
  ScratchDirectory directory;
  ResetSettings();
  ResetLinkSettings();
  std::memset(protocol_state, 0, sizeof protocol_state);
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--steady"}, &error)) << error;
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  ASSERT_EQ(InitSerial(), 1) << serial_port;
  ASSERT_TRUE(RegisterPanelClasses());
  ui::RegisterWindowClass({"CfgFilesMain", MainCallBack, 0, ui::Background::dark_grey, 0, 0});
  main_window = ui::CreateWindowOf("CfgFilesMain", "main", ui::style_overlapped, 0, 0, 200, 100,
                                   ui::no_window);
  Op op;

  // The panel goes, its log closed without a question; the cancelled file
  // dialog turns polling back on.
  CreatePollDialog('A');
  logfile['A'] = std::tmpfile();
  polling_enabled = 1;
  ui::Send(main_window, ui::msg_command,
           ui::MakeCommand(menu_get_configuration, ui::notify_clicked));
  EXPECT_FALSE(IsOpen('A'));
  EXPECT_EQ(logfile['A'], nullptr);
  EXPECT_EQ(JournalEvents().back().kind, "log_closed");
  EXPECT_TRUE(op.Boxes().empty());
  ASSERT_EQ(op.FileDialogs().size(), 1u);
  EXPECT_EQ(op.FileDialogs()[0].kind, ui::FileDialogKind::save);
  EXPECT_EQ(polling_enabled, 1);

  directory.Write("start.cfg", "abc\r\n");
  const std::string command_line = "/c" + directory.File("start.cfg");
  autoload_cfg = 0;
  op.WhenDialogOpens("Send Configuration",
                     [](ui::Handle dialog) { Op::Press(dialog, ui::id_cancel); });
  ProcessCommandLine(command_line);
  EXPECT_EQ(autoload_cfg, 0);

  op.WhenDialogOpens("Send Configuration", [](ui::Handle dialog) { Op::Press(dialog, ui::id_ok); });
  ProcessCommandLine(command_line);
  EXPECT_EQ(op.OpenedDialogs().back(), "Send Configuration");
  ASSERT_FALSE(op.Boxes().empty());
  EXPECT_EQ(op.Boxes().back().text, "Configuration Sent");
  EXPECT_EQ(JournalEvents().back().text,
            "Send configuration " + directory.File("start.cfg") + ": done");
  EXPECT_EQ(sim.Control("get A last"), "ok Y1abc  ");
  EXPECT_EQ(autoload_cfg, 1);
  EXPECT_STREQ(transfer_filepath, directory.File("start.cfg").c_str());

  // The editor then suggests sending the whole file.
  screen_compatible_dc = &ui::ScreenMeasuringContext();
  ui::Send(main_window, ui::msg_command,
           ui::MakeCommand(menu_edit_configuration, ui::notify_clicked));
  ASSERT_TRUE(ui::IsLive(modelcfg_popup));
  const ui::WindowImage image = Op::Grab(modelcfg_popup);
  int yellow = 0;
  for (int y = sendall_button.r.top; y < sendall_button.r.bottom; ++y) {
    for (int x = sendall_button.r.left; x < sendall_button.r.right; ++x)
      yellow += image.At(x, y) == cfg_yellow;
  }
  EXPECT_GT(yellow, 0);

  ui::Destroy(modelcfg_popup);
  autoload_cfg = 0;
  ui::Destroy(main_window);
  main_window = ui::no_window;
  CloseSerial();
  ResetSettings();
  ResetLinkSettings();
}

}  // namespace

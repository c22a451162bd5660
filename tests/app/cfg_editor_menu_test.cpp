#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/popup.h"
#include "link/link_settings.h"
#include "modelcfg/cfg_editor.h"
#include "panel_test_support.h"
#include "records/window_seams.h"
#include "resources/menu_ids.h"
#include "ui/measuring_context.h"

namespace {

using EditMenu = PanelTest;

// Over serial the editor takes the address of the last panel it closed, or
// 'A' with none open.
TEST_F(EditMenu, OpensTheEditorOnTheDeviceOfTheLastPanelClosed) {
  screen_compatible_dc = &ui::ScreenMeasuringContext();
  use_ethernet = 0;
  struct Case {
    std::vector<int> open;
    int expected;
  } const cases[] = {{{5, 'C'}, 'C'}, {{}, 'A'}};
  for (const Case& c : cases) {
    for (int address : c.open) ASSERT_TRUE(CreatePollDialog(address));
    MainCallBack(main_window, ui::msg_command, ui::MakeCommand(menu_edit_configuration, 0), 0);
    ASSERT_TRUE(ui::IsLive(modelcfg_popup));
    EXPECT_EQ(ui::Title(modelcfg_popup), "Model.Cfg");
    EXPECT_EQ(transfer_device, c.expected);
    for (int address : c.open) EXPECT_FALSE(IsOpen(address));
    const ui::Handle first = modelcfg_popup;
    MainCallBack(main_window, ui::msg_command, ui::MakeCommand(menu_edit_configuration, 0), 0);
    EXPECT_EQ(modelcfg_popup, first);  // one editor at a time
    ui::Send(modelcfg_popup, ui::msg_close);
    EXPECT_FALSE(ui::IsLive(first));
  }
}

}  // namespace

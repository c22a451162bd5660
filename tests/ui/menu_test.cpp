#include <gtest/gtest.h>

#include "ui/menu.h"
#include "ui/scripted_operator.h"
#include "ui_test_support.h"

namespace {

using namespace ui;

constexpr int menu_number = 41;
constexpr int id_poll = 1;
constexpr int id_send = 9;
constexpr int id_exit = 6;

MenuTemplate TestMenu() {
  using Kind = MenuItem::Kind;
  return {menu_number,
          {{Kind::popup,
            "&Options",
            0,
            {{Kind::item, "&Poll Amplifier", id_poll, {}, false},
             {Kind::separator, "", 0, {}, false},
             {Kind::item, "&Send", id_send, {}, true},
             {Kind::item, "E&xit", id_exit, {}, false}},
            false}}};
}

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::Log().clear();
    RegisterMenu(TestMenu());
    ui_test::RegisterRecorder("MenuRecorder", menu_number);
    window = CreateWindowOf("MenuRecorder", "Menu", style_overlapped | style_visible, 0, 0, 300, 200, no_window);
  }
  void TearDown() override { Destroy(window); }

  ScriptedOperator op;
  Handle window = no_window;
};

TEST_F(Menus, ChoosingAnItemCommandsTheWindowUnlessItIsGreyed) {
  EXPECT_TRUE(IsMenuItemEnabled(window, id_poll));
  EXPECT_FALSE(IsMenuItemEnabled(window, id_send));
  EXPECT_FALSE(ChooseMenuItem(window, id_send));
  EXPECT_FALSE(ChooseMenuItem(window, 12345));
  EXPECT_TRUE(ChooseMenuItem(window, id_poll));
  SetMenuItemEnabled(window, id_send, true);
  EXPECT_TRUE(ChooseMenuItem(window, id_send));
  ScriptedOperator::RunFor(20);
  EXPECT_EQ(ui_test::CommandsOf(window),
            (std::vector<WordParam>{MakeCommand(id_poll, notify_clicked), MakeCommand(id_send, notify_clicked)}));
}

TEST_F(Menus, TheStructureShowsTheCurrentGreying) {
  SetMenuItemEnabled(window, id_exit, false);
  const std::vector<MenuItem> bar = MenuOf(window);
  ASSERT_EQ(bar.size(), 1u);
  EXPECT_EQ(bar[0].caption, "&Options");
  ASSERT_EQ(bar[0].items.size(), 4u);
  EXPECT_EQ(bar[0].items[1].kind, MenuItem::Kind::separator);
  EXPECT_FALSE(bar[0].items[0].greyed);
  EXPECT_TRUE(bar[0].items[2].greyed);
  EXPECT_TRUE(bar[0].items[3].greyed);
  // The menu bar sits above the client area.
  EXPECT_LT(ClientRect(window).Height(), WindowRect(window).Height());
  // Each window has its own state.
  const Handle other = CreateWindowOf("MenuRecorder", "", style_overlapped, 0, 0, 100, 100, no_window);
  EXPECT_TRUE(IsMenuItemEnabled(other, id_exit));
  Destroy(other);
  EXPECT_TRUE(MenuOf(other).empty());
}

}  // namespace

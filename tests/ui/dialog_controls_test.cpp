#include <gtest/gtest.h>

#include "ui/dialog.h"
#include "ui/keys.h"
#include "ui/scripted_operator.h"
#include "ui_test_support.h"

namespace {

using namespace ui;
using ui_test::CommandsOf;
using ui_test::Log;

enum : int {
  id_name = 101,
  id_logging = 102,
  id_lamp = 103,
  id_ftd = 104,
  id_standby = 105,
  id_hv = 106,
  id_local = 107,
  id_remote = 108,
  id_parity = 109,
  id_port = 110,
  id_devices = 111,
  id_attenuation = 112,
  id_progress = 113,
  id_found = 114,
  id_arrows = 115,
  id_label = 116,
  id_search = 117,
};

DialogTemplate Everything() {
  DialogTemplate dialog;
  dialog.name = "Everything";
  dialog.caption = "All Controls";
  dialog.width = 300;
  dialog.height = 220;
  dialog.controls = {
      {id_name, ControlKind::edit, "", 10, 10, 80, 12, style_tab_stop | style_group, ""},
      {id_logging, ControlKind::check_box, "&Logging", 10, 26, 60, 10, style_tab_stop, ""},
      {id_lamp, ControlKind::three_state_box, "Lamp", 10, 38, 60, 10, 0, ""},
      {id_ftd, ControlKind::radio_button, "FTD", 10, 50, 40, 10, style_group, ""},
      {id_standby, ControlKind::radio_button, "Standby", 10, 60, 40, 10, 0, ""},
      {-1, ControlKind::group_box, "Lamps", 5, 45, 100, 50, 0, ""},  // inside the group: does not split it
      {id_hv, ControlKind::radio_button, "HV On", 10, 70, 40, 10, 0, ""},
      {id_local, ControlKind::radio_button, "Local", 60, 50, 40, 10, style_group, ""},
      {id_remote, ControlKind::radio_button, "Remote", 60, 60, 40, 10, 0, ""},
      {id_parity, ControlKind::combo_list, "", 120, 10, 60, 60, style_sort | style_group | style_tab_stop, ""},
      {id_port, ControlKind::combo_edit, "", 120, 26, 60, 60, style_tab_stop, ""},
      {id_devices, ControlKind::list_box, "", 120, 42, 60, 40, style_tab_stop, ""},
      {id_attenuation, ControlKind::horizontal_scroll, "", 10, 100, 150, 10, 0, ""},
      {id_progress, ControlKind::progress_bar, "", 10, 115, 150, 8, 0, ""},
      {id_found, ControlKind::tree_view, "", 190, 10, 100, 80, style_tab_stop, ""},
      {id_arrows, ControlKind::up_down, "", 190, 95, 10, 20, 0, ""},
      {id_label, ControlKind::static_text, "**.*", 10, 130, 40, 8, 0, ""},
      {id_search, ControlKind::push_button, "Search", 100, 190, 50, 14, style_tab_stop, ""},
      {id_ok, ControlKind::default_button, "OK", 160, 190, 50, 14, style_tab_stop, ""},
      {id_cancel, ControlKind::push_button, "Cancel", 220, 190, 50, 14, style_tab_stop, ""},
  };
  return dialog;
}

// The dialog procedure ends with OK (result 42) and Cancel (result 2).
class DialogControls : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    ui_test::SetHandler([](Handle dialog, unsigned message, WordParam word, LongParam, Result& result) {
      if (message != msg_command) return false;
      if (CommandId(word) == id_ok) FinishDialog(dialog, 42);
      if (CommandId(word) == id_cancel) FinishDialog(dialog, id_cancel);
      result = 1;
      return true;
    });
  }
  void TearDown() override { ui_test::SetHandler(nullptr); }

  // Runs the dialog modally with the checks as the operator's first step; OK ends it.
  Result RunWith(std::function<void(Handle)> checks) {
    op.WhenDialogOpens("Everything", [checks](Handle dialog) {
      checks(dialog);
      ScriptedOperator::Press(dialog, id_ok);
    });
    return RunModal(Everything(), no_window, ui_test::RecordingDialogProcedure);
  }
  // The notifications of one control since the log was last cleared.
  static std::vector<unsigned> NotificationsOf(Handle dialog, int id) {
    std::vector<unsigned> notifications;
    for (WordParam word : CommandsOf(dialog))
      if (CommandId(word) == id) notifications.push_back(CommandNotification(word));
    return notifications;
  }

  ScriptedOperator op;
};

TEST_F(DialogControls, InitComesAfterTheControlsAndTheResultIsFinishDialogs) {
  bool controls_at_init = false;
  ui_test::SetHandler([&](Handle dialog, unsigned message, WordParam word, LongParam l, Result& result) {
    if (message == msg_init_dialog) {
      controls_at_init = Control(dialog, id_search) != no_window && l == 7 && word == Control(dialog, id_name);
      result = 1;
      return true;
    }
    if (message == msg_command && CommandId(word) == id_ok) FinishDialog(dialog, 42);
    return false;
  });
  Handle seen = no_window;
  op.WhenDialogOpens("All Controls", [&](Handle dialog) {
    seen = dialog;
    EXPECT_EQ(DialogName(dialog), "Everything");
    EXPECT_EQ(Title(dialog), "All Controls");
    EXPECT_EQ(FocusedControl(dialog), id_name);  // init returned 1: the first tab stop
    ScriptedOperator::Press(dialog, id_ok);
  });
  EXPECT_EQ(RunModal(Everything(), no_window, ui_test::RecordingDialogProcedure, 7), 42);
  EXPECT_TRUE(controls_at_init);
  EXPECT_FALSE(IsLive(seen));
  EXPECT_EQ(op.OpenedDialogs(), std::vector<std::string>{"All Controls"});
  EXPECT_EQ(ui_test::MessagesOf(seen).back(), msg_destroy);
}

TEST_F(DialogControls, EditsKeepTheirLimitAndNotifyEveryChange) {
  EXPECT_EQ(RunWith([this](Handle dialog) {
              SetTextLimit(dialog, id_name, 5);
              Log().clear();
              ScriptedOperator::Type(dialog, id_name, "abcdefgh");
              EXPECT_EQ(ControlText(dialog, id_name), "abcde");
              EXPECT_EQ(ControlText(dialog, id_name, 3), "abc");
              EXPECT_FALSE(NotificationsOf(dialog, id_name).empty());
              for (unsigned notification : NotificationsOf(dialog, id_name)) {
                EXPECT_TRUE(notification == notify_edit_change || notification == notify_set_focus) << notification;
              }
              Log().clear();
              SetControlInt(dialog, id_name, -42);
              EXPECT_EQ(NotificationsOf(dialog, id_name), std::vector<unsigned>{notify_edit_change});
              bool ok = false;
              EXPECT_EQ(ControlInt(dialog, id_name, &ok), -42);
              EXPECT_TRUE(ok);
              SetControlText(dialog, id_name, "12x");
              EXPECT_EQ(ControlInt(dialog, id_name, &ok), 0);
              EXPECT_FALSE(ok);
              SetControlText(dialog, id_label, "&Hello");
              EXPECT_EQ(ControlText(dialog, id_label), "&Hello");
              EXPECT_EQ(ControlText(dialog, 999), "");
              EXPECT_EQ(Control(dialog, 999), no_window);
            }),
            42);
}

TEST_F(DialogControls, BoxesChangeByClicksOnlyAndThreeStateBoxesNotEvenThen) {
  RunWith([this](Handle dialog) {
    Log().clear();
    SetCheck(dialog, id_logging, checked);
    EXPECT_EQ(CheckStateOf(dialog, id_logging), checked);
    EXPECT_TRUE(NotificationsOf(dialog, id_logging).empty());
    ScriptedOperator::Press(dialog, id_logging);
    EXPECT_EQ(CheckStateOf(dialog, id_logging), unchecked);
    EXPECT_EQ(NotificationsOf(dialog, id_logging), std::vector<unsigned>{notify_clicked});

    SetCheck(dialog, id_lamp, indeterminate);
    EXPECT_EQ(CheckStateOf(dialog, id_lamp), indeterminate);
    ScriptedOperator::Press(dialog, id_lamp);
    EXPECT_EQ(CheckStateOf(dialog, id_lamp), indeterminate);
    EXPECT_EQ(NotificationsOf(dialog, id_lamp), std::vector<unsigned>{notify_clicked});

    EnableControl(dialog, id_search, false);
    EXPECT_FALSE(IsControlEnabled(dialog, id_search));
    ScriptedOperator::Press(dialog, id_search);
    EXPECT_TRUE(NotificationsOf(dialog, id_search).empty());
  });
}

TEST_F(DialogControls, RadioGroupsSplitAtEveryGroupStyle) {
  RunWith([](Handle dialog) {
    SetCheck(dialog, id_ftd, checked);
    SetCheck(dialog, id_local, checked);
    EXPECT_EQ(CheckStateOf(dialog, id_ftd), checked);
    EXPECT_EQ(CheckStateOf(dialog, id_local), checked);
    // The group box between them leaves HV On in the first group.
    ScriptedOperator::Press(dialog, id_hv);
    EXPECT_EQ(CheckStateOf(dialog, id_ftd), unchecked);
    EXPECT_EQ(CheckStateOf(dialog, id_hv), checked);
    EXPECT_EQ(CheckStateOf(dialog, id_local), checked);
    SetCheck(dialog, id_standby, checked);
    EXPECT_EQ(CheckStateOf(dialog, id_hv), unchecked);
    SetCheck(dialog, id_standby, unchecked);
    EXPECT_EQ(CheckStateOf(dialog, id_standby) + CheckStateOf(dialog, id_ftd) + CheckStateOf(dialog, id_hv), 0);
  });
}

TEST_F(DialogControls, ListsAndCombosHoldItemsAndNotifyOnlyTheOperatorsChoice) {
  RunWith([this](Handle dialog) {
    Log().clear();
    EXPECT_EQ(AddItem(dialog, id_parity, "ODD"), 0);
    EXPECT_EQ(AddItem(dialog, id_parity, "EVEN"), 0);  // sorted
    EXPECT_EQ(AddItem(dialog, id_parity, "NONE"), 1);
    EXPECT_EQ(AddItem(dialog, id_parity, "SPACE"), 3);
    EXPECT_EQ(ItemCount(dialog, id_parity), 4);
    EXPECT_EQ(ItemText(dialog, id_parity, 1), "NONE");
    EXPECT_EQ(ItemText(dialog, id_parity, 4), "");
    EXPECT_EQ(Selection(dialog, id_parity), -1);  // adding selects nothing
    Select(dialog, id_parity, FindItem(dialog, id_parity, "odd"));
    EXPECT_EQ(Selection(dialog, id_parity), 2);
    EXPECT_EQ(ControlText(dialog, id_parity), "ODD");
    EXPECT_TRUE(NotificationsOf(dialog, id_parity).empty());
    ScriptedOperator::Choose(dialog, id_parity, 0);
    EXPECT_EQ(ControlText(dialog, id_parity), "EVEN");
    EXPECT_EQ(NotificationsOf(dialog, id_parity), std::vector<unsigned>{notify_selection_change});

    SetControlText(dialog, id_port, "COM3");
    for (const char* port : {"COM1", "COM2"}) AddItem(dialog, id_port, port);
    EXPECT_EQ(ControlText(dialog, id_port), "COM3");
    EXPECT_EQ(FindItem(dialog, id_port, "com2"), 1);
    EXPECT_EQ(FindItem(dialog, id_port, "COM9"), -1);
    ScriptedOperator::ChooseText(dialog, id_port, "COM9");
    EXPECT_EQ(ControlText(dialog, id_port), "COM9");
    EXPECT_EQ(NotificationsOf(dialog, id_port).back(), notify_combo_edit_change);
    Select(dialog, id_port, 0);
    EXPECT_EQ(ControlText(dialog, id_port), "COM1");

    AddItem(dialog, id_devices, "first");
    AddItem(dialog, id_devices, "second");
    Select(dialog, id_devices, 1);
    EXPECT_TRUE(NotificationsOf(dialog, id_devices).empty());
    ScriptedOperator::Choose(dialog, id_devices, 0);
    EXPECT_EQ(Selection(dialog, id_devices), 0);
    EXPECT_EQ(NotificationsOf(dialog, id_devices), std::vector<unsigned>{notify_selection_change});
    ClearItems(dialog, id_devices);
    EXPECT_EQ(ItemCount(dialog, id_devices), 0);
    EXPECT_EQ(Selection(dialog, id_devices), -1);
  });
}

TEST_F(DialogControls, ScrollBarsReportAndKeepTheProgramsPosition) {
  RunWith([](Handle dialog) {
    SetScrollBarRange(dialog, id_attenuation, 0, 400, 10);
    SetScrollBarPosition(dialog, id_attenuation, 500);
    EXPECT_EQ(ScrollBarPosition(dialog, id_attenuation), 391);
    SetScrollBarPosition(dialog, id_attenuation, 280);
    Log().clear();
    ScriptedOperator::Scroll(dialog, id_attenuation, scroll_line_up);
    ScriptedOperator::Scroll(dialog, id_attenuation, scroll_thumb_position, 125);
    std::vector<std::pair<unsigned, int>> seen;
    for (const ui_test::Received& received : Log()) {
      if (received.message != msg_hscroll) continue;
      EXPECT_EQ(received.l, id_attenuation);
      seen.emplace_back(ScrollCodeOf(received.word), ScrollPositionOf(received.word));
    }
    const std::vector<std::pair<unsigned, int>> expected = {
        {scroll_line_up, 280}, {scroll_end, 0}, {scroll_thumb_track, 125}, {scroll_thumb_position, 125}, {scroll_end, 0}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(ScrollBarPosition(dialog, id_attenuation), 280);  // nobody moved it
  });
}

TEST_F(DialogControls, ProgressTreeAndUpDownKeepTheirValues) {
  RunWith([this](Handle dialog) {
    SetProgressRange(dialog, id_progress, 0, 50);
    SetProgress(dialog, id_progress, 80);
    EXPECT_EQ(Progress(dialog, id_progress), 50);

    Log().clear();
    const TreeItem first = AddTreeItem(dialog, id_found, 0, "10.0.0.5 ... HPA", 0x0A000005);
    const TreeItem second = AddTreeItem(dialog, id_found, 0, "(No Devices Found)", 0);
    const TreeItem child = AddTreeItem(dialog, id_found, first, "detail", 9);
    EXPECT_EQ(TreeItems(dialog, id_found), (std::vector<TreeItem>{first, second}));
    EXPECT_EQ(TreeItems(dialog, id_found, first), std::vector<TreeItem>{child});
    EXPECT_EQ(TreeItemText(dialog, id_found, first), "10.0.0.5 ... HPA");
    EXPECT_EQ(TreeItemValue(dialog, id_found, first), 0x0A000005);
    SelectTreeItem(dialog, id_found, second);
    EXPECT_EQ(SelectedTreeItem(dialog, id_found), second);
    EXPECT_TRUE(NotificationsOf(dialog, id_found).empty());
    ScriptedOperator::Choose(dialog, id_found, 0);
    EXPECT_EQ(SelectedTreeItem(dialog, id_found), first);
    EXPECT_EQ(NotificationsOf(dialog, id_found), std::vector<unsigned>{notify_selection_change});
    // A key is reported before the tree acts on it.
    FocusControl(dialog, id_found);
    Log().clear();
    ScriptedOperator::KeyDown(dialog, vk_down);
    EXPECT_EQ(NotificationsOf(dialog, id_found), (std::vector<unsigned>{notify_key_down, notify_selection_change}));
    EXPECT_EQ(SelectedTreeItem(dialog, id_found), second);
    ClearTree(dialog, id_found);
    EXPECT_TRUE(TreeItems(dialog, id_found).empty());
    EXPECT_EQ(TreeItemText(dialog, id_found, first), "");  // a stale item finds nothing
    EXPECT_EQ(AddTreeItem(dialog, id_found, first, "orphan", 1), 0u);

    // The default range runs from 100 down to 0: the up arrow steps -1.
    Log().clear();
    ScriptedOperator::StepUpDown(dialog, id_arrows, true);
    SetUpDownRange(dialog, id_arrows, 0, 10);
    SetUpDownPosition(dialog, id_arrows, 5);
    ScriptedOperator::StepUpDown(dialog, id_arrows, true);
    EXPECT_EQ(UpDownPosition(dialog, id_arrows), 6);
    std::vector<std::pair<unsigned, LongParam>> seen;
    for (const ui_test::Received& received : Log()) {
      if (received.message == msg_command) seen.emplace_back(CommandNotification(received.word), received.l);
      if (received.message == msg_vscroll) seen.emplace_back(msg_vscroll, ScrollPositionOf(received.word));
    }
    const std::vector<std::pair<unsigned, LongParam>> expected = {
        {notify_delta_pos, -1}, {msg_vscroll, 0}, {notify_delta_pos, 1}, {msg_vscroll, 6}};
    EXPECT_EQ(seen, expected);
  });
}

}  // namespace

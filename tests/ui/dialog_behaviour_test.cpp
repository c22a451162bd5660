#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <chrono>
#include <ctime>

#include "ui/dialog.h"
#include "ui/keys.h"
#include "ui/message_box.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"
#include "ui_test_support.h"

namespace {

using namespace ui;
using ui_test::CommandsOf;
using ui_test::CountOf;
using ui_test::Log;

constexpr int id_text = 101;
constexpr int id_other = 102;
constexpr int id_lamp = 103;
constexpr unsigned tick_id = 1;

DialogTemplate Small(const std::string& name, const std::string& caption = "") {
  DialogTemplate dialog;
  dialog.name = name;
  dialog.caption = caption;
  dialog.width = 160;
  dialog.height = 80;
  dialog.controls = {
      {id_text, ControlKind::edit, "", 8, 8, 100, 12, style_tab_stop, ""},
      {id_other, ControlKind::push_button, "Other", 8, 40, 40, 14, style_tab_stop, ""},
      {id_ok, ControlKind::default_button, "OK", 60, 40, 40, 14, style_tab_stop, ""},
      {id_cancel, ControlKind::push_button, "Cancel", 110, 40, 40, 14, style_tab_stop, ""},
      {id_lamp, ControlKind::static_text, "", 120, 8, 20, 10, 0, ""},
  };
  return dialog;
}

QWidget* Widget(Handle handle) { return detail::Find(handle)->client; }

void CloseByFrame(Handle dialog) {
  QCloseEvent close;
  QCoreApplication::sendEvent(detail::Find(dialog)->frame, &close);
}

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    // OK and Cancel end a modal dialog with their ids.
    ui_test::SetHandler([](Handle dialog, unsigned message, WordParam word, LongParam, Result& result) {
      result = 1;
      if (message == msg_command && (CommandId(word) == id_ok || CommandId(word) == id_cancel)) {
        FinishDialog(dialog, CommandId(word));
        return true;
      }
      return false;
    });
    ui_test::RegisterRecorder();
  }
  void TearDown() override {
    ui_test::SetHandler(nullptr);
    for (Handle window : made)
      if (IsLive(window)) Destroy(window);
  }
  Handle MakeWindow() {
    made.push_back(CreateWindowOf("Recorder", "Main", style_overlapped | style_visible, 0, 0, 300, 200, no_window));
    return made.back();
  }

  ScriptedOperator op;
  std::vector<Handle> made;
};

std::vector<WordParam> ClicksOf(Handle dialog) {
  std::vector<WordParam> clicks;
  for (WordParam word : CommandsOf(dialog))
    if (CommandNotification(word) == notify_clicked) clicks.push_back(word);
  return clicks;
}

TEST_F(Dialogs, EnterPressesTheDefaultOrFocusedButtonAndEscapeCancels) {
  ui_test::SetHandler(nullptr);
  const Handle dialog = CreateModeless(Small("Keys"), no_window, ui_test::RecordingDialogProcedure);
  ASSERT_NE(dialog, no_window);
  made.push_back(dialog);
  FocusControl(dialog, id_text);
  EXPECT_EQ(FocusedControl(dialog), id_text);
  ScriptedOperator::KeyDown(dialog, vk_return);  // in the edit
  FocusControl(dialog, id_other);
  ScriptedOperator::KeyDown(dialog, vk_return);  // on a push button: that button
  ScriptedOperator::KeyDown(dialog, vk_escape);
  const std::vector<WordParam> expected = {MakeCommand(id_ok, notify_clicked), MakeCommand(id_other, notify_clicked),
                                           MakeCommand(id_cancel, notify_clicked)};
  EXPECT_EQ(ClicksOf(dialog), expected);
  FinishDialog(dialog, 0);
  EXPECT_FALSE(IsLive(dialog));  // FinishDialog on a modeless dialog destroys it
}

TEST_F(Dialogs, TheFrameCloseOfADialogIsCancelUnlessItsProcedureTakesIt) {
  Handle opened = no_window;
  op.WhenDialogOpens("Closing", [&](Handle dialog) {
    opened = dialog;
    CloseByFrame(dialog);
  });
  EXPECT_EQ(RunModal(Small("Closing"), no_window, ui_test::RecordingDialogProcedure), id_cancel);
  EXPECT_EQ(CountOf(opened, msg_close), 1);
  EXPECT_EQ(ClicksOf(opened), std::vector<WordParam>{MakeCommand(id_cancel, notify_clicked)});
}

TEST_F(Dialogs, FinishingWhileInitialisingNeverRunsTheLoop) {
  ui_test::SetHandler([](Handle dialog, unsigned message, WordParam, LongParam, Result& result) {
    if (message == msg_init_dialog) FinishDialog(dialog, 5);
    result = 1;
    return message == msg_init_dialog;
  });
  EXPECT_EQ(RunModal(Small("Quick"), no_window, ui_test::RecordingDialogProcedure), 5);
  EXPECT_EQ(RunModal(Small("Nobody"), no_window, nullptr), -1);
}

TEST_F(Dialogs, NestedModalDialogsAndTheBoxesShownInThem) {
  op.Answer(answer_yes);
  op.WhenDialogOpens("Outer", [](Handle outer) {
    EXPECT_EQ(ShowMessage(outer, "Proceed?", "Confirm", Buttons::yes_no, Icon::question), answer_yes);
    EXPECT_EQ(RunModal(Small("Inner", "Inner Dialog"), outer, ui_test::RecordingDialogProcedure), id_ok);
    EXPECT_EQ(ShowMessage(outer, "Done.", "Note!", Buttons::ok, Icon::information), answer_ok);
    ScriptedOperator::Press(outer, id_cancel);
  });
  op.WhenDialogOpens("Inner", [](Handle inner) {
    EXPECT_EQ(ShowMessage(inner, "Invalid poll address.", "Ummm...", Buttons::yes_no, Icon::error), answer_no);
    ScriptedOperator::Press(inner, id_ok);
  });
  EXPECT_EQ(RunModal(Small("Outer", "Outer Dialog"), no_window, ui_test::RecordingDialogProcedure), id_cancel);
  EXPECT_EQ(op.OpenedDialogs(), (std::vector<std::string>{"Outer Dialog", "Inner Dialog"}));
  ASSERT_EQ(op.Boxes().size(), 3u);
  EXPECT_EQ(op.Boxes()[0].active_dialog, "Outer Dialog");
  EXPECT_EQ(op.Boxes()[0].caption, "Confirm");
  EXPECT_EQ(op.Boxes()[1].text, "Invalid poll address.");
  EXPECT_EQ(op.Boxes()[1].icon, Icon::error);
  EXPECT_EQ(op.Boxes()[1].active_dialog, "Inner Dialog");
  EXPECT_EQ(op.Boxes()[1].answer, answer_no);  // nothing queued: the default answer
  EXPECT_EQ(op.Boxes()[2].active_dialog, "Outer Dialog");
  EXPECT_EQ(op.Boxes()[2].buttons, Buttons::ok);
  EXPECT_NE(op.Boxes()[2].owner, no_window);
}

TEST_F(Dialogs, RegistrationsServeSuccessiveOpeningsInOrder) {
  std::vector<int> steps;
  op.WhenDialogOpens("Twice", [&](Handle dialog) {
    steps.push_back(1);
    ScriptedOperator::Press(dialog, id_ok);
  });
  op.WhenDialogOpens("Twice", [&](Handle dialog) {
    steps.push_back(2);
    ScriptedOperator::Press(dialog, id_cancel);
  });
  EXPECT_EQ(RunModal(Small("Twice"), no_window, ui_test::RecordingDialogProcedure), id_ok);
  EXPECT_EQ(RunModal(Small("Twice"), no_window, ui_test::RecordingDialogProcedure), id_cancel);
  EXPECT_EQ(steps, (std::vector<int>{1, 2}));
  op.SetDefaultAnswer(answer_yes);
  EXPECT_EQ(ShowMessage(no_window, "Exit Corvane?", "Confirm", Buttons::yes_no, Icon::question), answer_yes);
}

TEST_F(Dialogs, TimersKeepTickingInsideModalLoopsWithoutSpinning) {
  const Handle main_window = MakeWindow();
  StartTimer(main_window, tick_id, 56);
  int dialog_ticks = 0;
  ui_test::SetHandler([&](Handle window, unsigned message, WordParam, LongParam, Result& result) {
    result = 0;
    if (message == msg_init_dialog) StartTimer(window, 9, 20);
    if (message == msg_timer && window != main_window && ++dialog_ticks == 15) FinishDialog(window, 3);
    return message == msg_timer || message == msg_init_dialog;
  });
  const auto started = std::chrono::steady_clock::now();
  const std::clock_t cpu_started = std::clock();
  EXPECT_EQ(RunModal(Small("Waiting"), main_window, ui_test::RecordingDialogProcedure), 3);
  const double cpu_ms = 1000.0 * static_cast<double>(std::clock() - cpu_started) / CLOCKS_PER_SEC;
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  // 15 ticks of 20 ms, and the 56 ms tick of the main window went on meanwhile.
  EXPECT_GE(elapsed, 280);
  EXPECT_LT(elapsed, 2000);
  EXPECT_GE(CountOf(main_window, msg_timer), 3);
  EXPECT_LE(CountOf(main_window, msg_timer), 12);
  EXPECT_LT(cpu_ms, elapsed / 2.0);
}

TEST_F(Dialogs, APanelIsHandledByItsClassProcedureWithEveryKey) {
  ui_test::RegisterRecorder("PanelClass");
  bool controls_at_create = true;
  ui_test::SetHandler([&](Handle dialog, unsigned message, WordParam, LongParam l, Result& result) {
    if (message == msg_create) controls_at_create = Control(dialog, id_other) != no_window;
    if (message == msg_static_colour && l == id_lamp) {
      result = MakeColour(255, 0, 0);
      return true;
    }
    return false;
  });
  DialogTemplate panel = Small("1", "Amplifier 'A'");
  panel.class_name = "PanelClass";
  panel.style |= style_visible;
  const Handle dialog = CreateModeless(panel, no_window, nullptr);
  ASSERT_NE(dialog, no_window);
  made.push_back(dialog);
  EXPECT_FALSE(controls_at_create);
  EXPECT_EQ(CountOf(dialog, msg_init_dialog), 1);
  EXPECT_TRUE(IsVisible(dialog));

  Log().clear();
  ScriptedOperator::KeyDown(dialog, vk_tab);
  ScriptedOperator::KeyDown(dialog, vk_return);
  ScriptedOperator::KeyDown(dialog, vk_numpad0 + 7);
  ScriptedOperator::Press(dialog, id_other);
  std::vector<WordParam> keys;
  for (const ui_test::Received& received : Log())
    if (received.message == msg_key_down) keys.push_back(received.word);
  EXPECT_EQ(keys, (std::vector<WordParam>{9, 13, 103}));
  EXPECT_EQ(CommandsOf(dialog), std::vector<WordParam>{MakeCommand(id_other, notify_clicked)});

  SetButtonPushed(dialog, id_other, true);
  EXPECT_TRUE(IsButtonPushed(dialog, id_other));
  SetButtonPushed(dialog, id_other, false);
  EXPECT_FALSE(IsButtonPushed(dialog, id_other));

  // Static texts take the colour the procedure gives them.
  QWidget* lamp = Widget(Control(dialog, id_lamp));
  lamp->repaint();
  EXPECT_EQ(lamp->grab().toImage().pixelColor(3, 3), QColor(255, 0, 0));

  CloseByFrame(dialog);  // the class procedure's default destroys it
  EXPECT_FALSE(IsLive(dialog));
}

TEST_F(Dialogs, TheFontChooserIsAnsweredByTheOperator) {
  FontSpec font;
  int tenths = 0;
  EXPECT_FALSE(ChooseFixedFont(no_window, font, tenths));
  FontSpec chosen;
  chosen.face = "Courier New";
  chosen.height = -16;
  op.AnswerFontChooser(chosen, 120);
  EXPECT_TRUE(ChooseFixedFont(no_window, font, tenths));
  EXPECT_EQ(font.face, "Courier New");
  EXPECT_EQ(font.height, -16);
  EXPECT_EQ(tenths, 120);
  EXPECT_FALSE(ChooseFixedFont(no_window, font, tenths));  // one answer, one chooser
  EXPECT_EQ(op.FontChoosersShown(), 3);
}

TEST(Fonts, HeightsAreCharacterOrCellSizes) {
  FontSpec character;
  character.height = -20;
  FontSpec cell;
  cell.height = 20;
  EXPECT_GE(MeasureText(character, "Wg").height, 20);
  EXPECT_LE(MeasureText(cell, "Wg").height, 20);
  EXPECT_GT(MeasureText(cell, "Wg").height, 10);
  FontSpec fixed = SystemFixedFont();
  EXPECT_TRUE(fixed.face.empty());
  EXPECT_EQ(MeasureText(fixed, "iiii").width, MeasureText(fixed, "WWWW").width);
}

}  // namespace

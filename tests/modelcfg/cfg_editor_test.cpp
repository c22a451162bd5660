#include <cstring>
#include <fstream>

#include "cfg_editor_support.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor_commands.h"
#include "support/sim_process.h"
#include "ui/dialog.h"
#include "ui/keys.h"

namespace {

const ui::Rect& OptionRect(int line, int option) {
  return configuration_line[line].option_rect[option];
}

TEST_F(EditorTest, OptionIsPickedOnlyByPressAndReleaseOnIt) {
  Press(MidX(OptionRect(0, 1)), MidY(OptionRect(0, 1)));
  Release(MidX(OptionRect(0, 2)), MidY(OptionRect(0, 2)));
  EXPECT_EQ(configuration_line[0].new_selection, -1);
  Click(OptionRect(0, 1));
  EXPECT_EQ(configuration_line[0].new_selection, 1);
  EXPECT_EQ(configuration_line[0].sent, modelcfg_status_unsent);
  EXPECT_EQ(CfgUndoSteps(), 1);
}

TEST_F(EditorTest, ColoursOfLinesKeywordsRowAndSuggestedSteps) {
  Click(OptionRect(0, 1));
  const ui::Rect& keyword = configuration_line[0].keyword_rect;
  ui::WindowImage image = ui::ScriptedOperator::Grab(modelcfg_popup);
  EXPECT_EQ(image.At(1, configuration_line[1].box.top + 1), cfg_line_colour);
  EXPECT_EQ(image.At(keyword.right - 3, MidY(keyword)), cfg_keyword_colour);
  EXPECT_EQ(image.At(2, ui::ClientRect(modelcfg_popup).bottom - 3), ui::ButtonFaceColour());
  EXPECT_TRUE(Shows(image, OptionRect(0, 1), cfg_green));
  EXPECT_TRUE(Shows(image, sendall_button.r, cfg_green));
  EXPECT_FALSE(Shows(image, print_button.r, cfg_green));

  Press(1, configuration_line[2].box.top + 3);
  image = ui::ScriptedOperator::Grab(modelcfg_popup);
  EXPECT_EQ(image.At(1, configuration_line[2].box.top + 1), cfg_dragged_colour);
  Release(1, configuration_line[2].box.top + 3);
}

TEST_F(EditorTest, EditingKeepsUnchangedTextAndRefusesOverlongText) {
  // A display form of over 200 characters comes back whole from the field.
  std::string long_line = "LONG *" + std::string(22, 'A');
  for (char c = 'B'; c < 'I'; ++c) long_line += "," + std::string(22, c);
  AddLine(long_line.c_str());
  ShowAllLines();
  char shown[1024];
  FormatModelCfgLine(shown, 4, 0);
  ASSERT_GT(std::strlen(shown), 200u);
  const auto before = TableState();
  for (int line : {1, 4}) {
    op.WhenDialogOpens("Edit Configuration Item",
                       [](ui::Handle d) { ui::ScriptedOperator::Press(d, ui::id_ok); });
    Click(configuration_line[line].keyword_rect);
    EXPECT_EQ(TableState(), before) << line;
  }
  EXPECT_EQ(CfgUndoSteps(), 0);

  op.WhenDialogOpens("Edit Configuration Item", [](ui::Handle d) {
    ui::ScriptedOperator::Type(d, 101, std::string(251, 'X'));
    ui::ScriptedOperator::Press(d, ui::id_ok);  // refused, the dialog stays
    ui::ScriptedOperator::Press(d, ui::id_cancel);
  });
  Click(configuration_line[1].keyword_rect);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption, "Ummm...");
  EXPECT_EQ(TableState(), before);

  op.WhenDialogOpens("Edit Configuration Item", [](ui::Handle d) {
    ui::ScriptedOperator::Type(d, 101, "POWER *HIGH,LOW,OFF");
    ui::ScriptedOperator::Press(d, ui::id_ok);
  });
  Click(configuration_line[1].keyword_rect);
  EXPECT_EQ(configuration_line[1].num_options, 3);
  EXPECT_EQ(configuration_line[1].sent, modelcfg_status_edited);
  EXPECT_EQ(sendall_button.face_color, cfg_green);
}

TEST_F(EditorTest, DeleteAsksAndOnlyYesDeletes) {
  op.Answer(ui::answer_no);
  Click(configuration_line[2].delete_button.r);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption, "Delete Line?");
  EXPECT_EQ(op.Boxes()[0].text.rfind("MODE", 0), 0u);
  EXPECT_EQ(total_cfg_lines, 4);
  op.Answer(ui::answer_yes);
  Paint();
  Click(configuration_line[2].delete_button.r);
  EXPECT_EQ(total_cfg_lines, 3);
  EXPECT_EQ(std::string(configuration_line[2].keyword).rfind("NOTE", 0), 0u);
  EXPECT_EQ(sendall_button.face_color, cfg_green);
}

TEST_F(EditorTest, DraggedLineDropsBeforeOrAfterTheLineUnderThePointer) {
  const model_cfg_struct& last = configuration_line[3];
  const int lower_half = last.box.top + last.size_y * 3 / 4;
  Press(1, configuration_line[0].box.top + 3);
  EXPECT_EQ(modelcfg_lineselected, 0);
  Release(1, lower_half);
  EXPECT_EQ(modelcfg_lineselected, -1);
  EXPECT_STREQ(configuration_line[3].keyword, "BAND");
  EXPECT_STREQ(configuration_line[0].keyword, "POWER");

  Paint();
  const auto before = TableState();
  Press(1, configuration_line[0].box.top + 3);
  Release(1, cfg_display_rect.bottom + 20);  // below every line: nothing moves
  EXPECT_EQ(modelcfg_lineselected, -1);
  EXPECT_EQ(TableState(), before);
}

TEST_F(EditorTest, AddLineScrollsToTheEndAndAFullTableRefuses) {
  for (int i = 0; i < 40; ++i) AddLine("FILL *ONE,TWO,THREE");
  ShowAllLines();  // the editor already reaches the bottom of the main window
  op.WhenDialogOpens("Define New Configuration Item", [](ui::Handle d) {
    ui::ScriptedOperator::Type(d, 101, "LAST *X,Y");
    ui::ScriptedOperator::Press(d, ui::id_ok);
  });
  Click(addline_button.r);
  ASSERT_EQ(total_cfg_lines, 45);
  EXPECT_EQ(configuration_line[44].sent, modelcfg_status_edited);
  EXPECT_GT(cfg_popup_scroll_offset, 0);
  EXPECT_EQ(cfg_popup_scroll_offset, cfg_popup_virtual_display_height - cfg_display_rect.bottom);
  // The keys scroll the same list.
  const std::pair<int, int> keys[] = {{ui::vk_home, 0},
                                      {ui::vk_down, configuration_line[0].size_y},
                                      {ui::vk_up, 0},
                                      {ui::vk_next, cfg_display_rect.bottom},
                                      {ui::vk_end, cfg_popup_scroll_offset}};
  for (auto [key, offset] : keys) {
    ui::ScriptedOperator::KeyDown(modelcfg_popup, key);
    EXPECT_EQ(cfg_popup_scroll_offset, offset) << key;
  }

  while (total_cfg_lines < max_cfg_lines) AddLine("FILL *ONE");
  Paint();
  Click(addline_button.r);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_NE(op.Boxes()[0].text.find("100"), std::string::npos);
  EXPECT_EQ(total_cfg_lines, max_cfg_lines);
}

TEST_F(EditorTest, HeightSnapsToWholeLines) {
  const ui::Rect frame = ui::WindowRect(modelcfg_popup);
  const int row = sendall_button.r.Height() + 16;
  const int two_lines = 1 + configuration_line[0].size_y + configuration_line[1].size_y;
  // A client area that would cut the third line in half.
  const int extra = frame.Height() - ui::ClientRect(modelcfg_popup).Height();
  ui::Move(modelcfg_popup, frame.left, frame.top, frame.Width(),
           two_lines + configuration_line[2].size_y / 2 + row + extra);
  ui::RunFor(50);
  EXPECT_EQ(ui::ClientRect(modelcfg_popup).Height(), two_lines + row);
}

TEST_F(EditorTest, AddressEntryAndCaption) {
  struct Case {
    const char* typed;
    int expected;  // -1: refused
  } const cases[] = {{"1F", 0x1F}, {"A", 0x41}, {"", 0}, {"100", -1}, {"G1", -1}};
  for (const Case& c : cases) {
    transfer_device = 'Z';
    op.ClearBoxes();
    op.WhenDialogOpens("Enter Device Comm Address", [&](ui::Handle d) {
      EXPECT_EQ(ui::ControlText(d, 101), "Z");
      ui::ScriptedOperator::Type(d, 101, c.typed);
      ui::ScriptedOperator::Press(d, ui::id_ok);
      if (c.expected < 0) ui::ScriptedOperator::Press(d, ui::id_cancel);
    });
    Click(address_button.r);
    EXPECT_EQ(transfer_device, c.expected < 0 ? 'Z' : c.expected) << c.typed;
    EXPECT_EQ(op.Boxes().size(), c.expected < 0 ? 1u : 0u) << c.typed;
    if (c.expected < 0 && !op.Boxes().empty()) {
      EXPECT_EQ(op.Boxes()[0].text, "Invalid poll address.");
    }
  }
  for (auto [device, caption] :
       {std::pair{5, "Address 05h"}, {0x41, "Address A"}, {-1, "?.?.?.?"}}) {
    transfer_device = device;
    Paint();
    EXPECT_STREQ(address_button.string, caption);
  }
}

TEST_F(EditorTest, EmptyTableGreysSaveSendAllPrintAndSuggestsGetAll) {
  total_cfg_lines = 0;
  getall_button.face_color = cfg_text_colour;
  ui::Invalidate(modelcfg_popup, false);
  Paint();
  EXPECT_FALSE(sendall_button.enabled);
  EXPECT_FALSE(save_button.enabled);
  EXPECT_FALSE(print_button.enabled);
  EXPECT_EQ(getall_button.face_color, cfg_green);
  EXPECT_EQ(print_button.face_color, cfg_text_colour);
  const ui::WindowImage image = ui::ScriptedOperator::Grab(modelcfg_popup);
  EXPECT_TRUE(Shows(image, getall_button.r, cfg_green));
  EXPECT_EQ(image.At(2, 2), ui::ButtonFaceColour());  // no list: the row colour
}

void WriteModelCfg(const std::filesystem::path& folder, const char* text) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "Model.cfg", std::ios::binary) << text;
}

TEST_F(EditorTest, LoadByDocumentNumberAndByBrowsingTitlesTheEditor) {
  const auto docs = folder / "docs";
  WriteModelCfg(docs / "807-0123-004 rev B", "ALPHA *1,2\r\n");
  WriteModelCfg(docs / "807-0123-002", "BETA *1,2\r\n");
  setenv("CORVANE_DOCUMENT_DIR", docs.c_str(), 1);
  op.WhenDialogOpens("Load Configuration From File", [](ui::Handle d) {
    ui::ScriptedOperator::Type(d, 101, "807-9");
    ui::ScriptedOperator::Press(d, ui::id_ok);  // no such folder: the dialog stays
    ui::ScriptedOperator::Type(d, 101, "807-0123");
    ui::ScriptedOperator::Press(d, ui::id_ok);
  });
  Click(load_button.r);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "No directory found matching " + docs.string() + "/807-9*");
  EXPECT_EQ(ui::Title(modelcfg_popup), "807-0123-002");  // the first in name order
  EXPECT_STREQ(configuration_line[0].keyword, "BETA");
  EXPECT_EQ(sendall_button.face_color, cfg_green);

  const auto browsed = folder / "807" / "807-0777-001 rev C";
  WriteModelCfg(browsed, "GAMMA *1,2\r\n");
  op.AnswerFileDialog((browsed / "Model.cfg").string());
  op.WhenDialogOpens("Load Configuration From File",
                     [](ui::Handle d) { ui::ScriptedOperator::Press(d, 102); });
  Paint();
  Click(load_button.r);
  EXPECT_EQ(ui::Title(modelcfg_popup), "807-0777-001 rev C");
  EXPECT_STREQ(configuration_line[0].keyword, "GAMMA");
  std::string remembered;
  op.WhenDialogOpens("Load Configuration From File", [&](ui::Handle d) {
    remembered = ui::ControlText(d, 101);
    ui::ScriptedOperator::Press(d, ui::id_cancel);
  });
  Paint();
  Click(load_button.r);
  EXPECT_EQ(remembered, "807-0777-001");
  unsetenv("CORVANE_DOCUMENT_DIR");
}

TEST_F(EditorTest, SaveWritesTheChosenFileAndSaysSo) {
  const std::string path = (folder / "saved.cfg").string();
  op.AnswerFileDialog(path);
  Click(save_button.r);
  ASSERT_EQ(op.FileDialogs().size(), 1u);
  EXPECT_EQ(op.FileDialogs()[0].directory, save_directory);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Configuration written to " + path + ".");
  EXPECT_EQ(op.Boxes()[0].caption, "Done");
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(EditorTest, EachUndoRestoresLinesAndStatusesExactly) {
  std::vector<std::vector<std::string>> states{TableState()};
  const auto step = [&] {
    states.push_back(TableState());
    Paint();
  };
  Click(OptionRect(0, 2));  // pick
  step();
  op.WhenDialogOpens("Edit Configuration Item", [](ui::Handle d) {
    ui::ScriptedOperator::Type(d, 101, "POWER *HIGH,LOW,OFF");
    ui::ScriptedOperator::Press(d, ui::id_ok);
  });
  Click(configuration_line[1].keyword_rect);  // edit
  step();
  op.WhenDialogOpens("Define New Configuration Item",
                     [](ui::Handle d) { ui::ScriptedOperator::Press(d, ui::id_ok); });
  Click(addline_button.r);  // add
  step();
  op.Answer(ui::answer_yes);
  Click(configuration_line[2].delete_button.r);  // delete
  step();
  Press(1, configuration_line[0].box.top + 3);
  Release(1, configuration_line[2].box.top + configuration_line[2].size_y * 3 / 4);  // drag
  step();
  std::ofstream(folder / "loaded.cfg", std::ios::binary) << "LOADED *1,2\r\n";
  op.AnswerFileDialog((folder / "loaded.cfg").string());
  op.WhenDialogOpens("Load Configuration From File",
                     [](ui::Handle d) { ui::ScriptedOperator::Press(d, 102); });
  Click(load_button.r);  // load
  step();
  ASSERT_EQ(CfgUndoSteps(), 6);
  for (std::size_t i = states.size() - 1; i > 0; --i) {
    ui::ScriptedOperator::KeyDown(modelcfg_popup, ui::vk_control);
    ui::ScriptedOperator::KeyDown(modelcfg_popup, 'Z');
    ui::ScriptedOperator::KeyUp(modelcfg_popup, 'Z');
    ui::ScriptedOperator::KeyUp(modelcfg_popup, ui::vk_control);
    EXPECT_EQ(TableState(), states[i - 1]) << "undo to step " << i - 1;
  }
  for (std::size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(RedoCfgChange());
    EXPECT_EQ(TableState(), states[i]) << "redo to step " << i;
  }
  // The history is bounded.
  for (int i = 0; i < 2 * max_cfg_undo_steps; ++i) Click(OptionRect(0, i % 2));
  EXPECT_EQ(CfgUndoSteps(), max_cfg_undo_steps);
  EXPECT_EQ(CfgRedoSteps(), 0);
}

TEST_F(EditorTest, FailedGetAllKeepsTitleColoursAndHistory) {
  const auto before = TableState();
  Click(getall_button.r);
  EXPECT_EQ(ui::Title(modelcfg_popup), "Model.Cfg");
  EXPECT_EQ(getall_button.face_color, cfg_green);
  EXPECT_EQ(TableState(), before);
  EXPECT_EQ(CfgUndoSteps(), 0);
}

TEST_F(EditorTest, GetAllFromTheDeviceTitlesAndIsUndone) {
  const auto before = TableState();
  std::ofstream(folder / "device.cfg", std::ios::binary) << "FROM_DEVICE *ON,OFF\r\n";
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--model-cfg", (folder / "device.cfg").string()}, &error))
      << error;
  ResetLinkSettings();
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  ASSERT_EQ(InitSerial(), 1);
  Click(getall_button.r);
  CloseSerial();
  EXPECT_EQ(ui::Title(modelcfg_popup), "Model.cfg");
  ASSERT_EQ(total_cfg_lines, 1);
  EXPECT_STREQ(configuration_line[0].keyword, "FROM_DEVICE");
  EXPECT_EQ(getall_button.face_color, cfg_text_colour);
  ASSERT_TRUE(UndoCfgChange());
  EXPECT_EQ(TableState(), before);
  EXPECT_EQ(ui::Title(modelcfg_popup), "Model.Cfg");
  EXPECT_EQ(getall_button.face_color, cfg_green);
}

TEST_F(EditorTest, ScrollingByLinesPagesAndThumb) {
  const int heights[] = {30, 50, 40};
  total_cfg_lines = 3;
  for (int i = 0; i < 3; ++i) configuration_line[i].size_y = heights[i];
  cfg_display_rect.bottom = 60;
  struct Case {
    int from;
    unsigned code;
    int expected;
  } const cases[] = {
      {20, ui::scroll_line_up, 0},    {40, ui::scroll_line_up, 30},  {80, ui::scroll_line_up, 30},
      {60, ui::scroll_line_up, 30},   {0, ui::scroll_line_down, 30}, {30, ui::scroll_line_down, 60},
      {60, ui::scroll_line_down, 60}, {60, ui::scroll_page_up, 0},   {0, ui::scroll_page_down, 60},
      {10, ui::scroll_page_down, 60},  // clamped: the last line ends at the bottom
  };
  for (const Case& c : cases) {
    cfg_popup_scroll_offset = c.from;
    ScrollModelCfgWindow(modelcfg_popup, ui::MakeScroll(c.code, 0));
    EXPECT_EQ(cfg_popup_scroll_offset, c.expected) << c.from << " code " << c.code;
  }
  // The thumb's 16 bits widen again near the present offset.
  for (int i = 0; i < 3; ++i) configuration_line[i].size_y = 40000;
  cfg_popup_scroll_offset = 69000;
  ScrollModelCfgWindow(modelcfg_popup, ui::MakeScroll(ui::scroll_thumb_track, 70000));
  EXPECT_EQ(cfg_popup_scroll_offset, 70000);
}

}  // namespace

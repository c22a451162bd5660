// An open editor over a small table, a stand-in main window, and the
// operator's mouse on the editor's client area.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "config/program_directory.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_undo.h"
#include "modelcfg/model_cfg.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "ui/measuring_context.h"
#include "ui/scripted_operator.h"

inline ui::Result PlainWindowCallBack(ui::Handle window, unsigned message, ui::WordParam word,
                                      ui::LongParam l) {
  return ui::DefaultProcedure(window, message, word, l);
}

// A line's text and statuses, to compare table states exactly.
inline std::vector<std::string> TableState() {
  std::vector<std::string> state;
  for (int line = 0; line < total_cfg_lines; ++line) {
    char text[1024];
    FormatModelCfgLine(text, line, 1);
    const model_cfg_struct& entry = configuration_line[line];
    state.push_back(std::string(text) + "|" + std::to_string(entry.selected) + "|" +
                    std::to_string(entry.new_selection) + "|" + std::to_string(entry.sent));
  }
  return state;
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::InitApplication(0, nullptr);
    screen_compatible_dc = &ui::ScreenMeasuringContext();
    folder = std::filesystem::temp_directory_path() / ("cfg_editor_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::snprintf(save_directory, sizeof save_directory, "%s/", folder.c_str());
    ui::RegisterWindowClass({"CfgTestMain", PlainWindowCallBack, 1});
    main_window = ui::CreateWindowOf("CfgTestMain", "main", ui::style_overlapped, 0, 0, 900, 700,
                                     ui::no_window);
    ui::Show(main_window);
    total_cfg_lines = 0;
    for (const char* text : {"BAND *L,C,KU", "POWER *HIGH,LOW", "MODE A,*B,C,D", "NOTE plain text"})
      AddLine(text);
    ClearCfgUndo();
    cfg_popup_scroll_offset = 0;
    transfer_device = 'A';
    SetModelCfgTitle("Model.Cfg");
    CreateModelCfgPopup();
    ASSERT_TRUE(ui::IsLive(modelcfg_popup));
    Paint();
  }
  void TearDown() override {
    if (ui::IsLive(modelcfg_popup)) ui::Send(modelcfg_popup, ui::msg_close);
    ui::Destroy(main_window);
    main_window = ui::no_window;
    std::filesystem::remove_all(folder);
  }

  static void AddLine(const char* text) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, "%s", text);
    AddModelCfgLine(total_cfg_lines, buffer);
  }
  static void Paint() {
    ui::RunFor(20);
    ui::Repaint(modelcfg_popup);
  }
  // Stretches the editor to the main window's bottom, as far as lines allow.
  static void ShowAllLines() {
    const ui::Rect frame = ui::WindowRect(modelcfg_popup);
    ui::Move(modelcfg_popup, frame.left, frame.top, frame.Width(),
             ui::ClientRect(main_window).Height());
    Paint();
  }
  static void Press(int x, int y) { ui::ScriptedOperator::MouseDown(modelcfg_popup, x, y); }
  static void Release(int x, int y) { ui::ScriptedOperator::MouseUp(modelcfg_popup, x, y); }
  static void ClickAt(int x, int y) { ui::ScriptedOperator::ClickAt(modelcfg_popup, x, y); }
  static int MidX(const ui::Rect& r) { return (r.left + r.right) / 2; }
  static int MidY(const ui::Rect& r) { return (r.top + r.bottom) / 2; }
  static void Click(const ui::Rect& r) { ClickAt(MidX(r), MidY(r)); }
  static bool Shows(const ui::WindowImage& image, const ui::Rect& r, ui::Colour colour) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (image.At(x, y) == colour) return true;
    return false;
  }

  ui::ScriptedOperator op;
  std::filesystem::path folder;
};

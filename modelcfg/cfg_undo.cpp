#include "modelcfg/cfg_undo.h"

#include <deque>
#include <string>
#include <vector>

#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_editor_commands.h"
#include "modelcfg/model_cfg.h"

struct CfgSnapshot {
  std::vector<model_cfg_struct> lines;
  std::string title;
  ui::Colour getall_colour = 0;
  ui::Colour sendall_colour = 0;
};

namespace {

using Steps = std::deque<std::shared_ptr<const CfgSnapshot>>;
Steps undo_steps;
Steps redo_steps;

void Keep(Steps& steps, std::shared_ptr<const CfgSnapshot> state) {
  steps.push_back(std::move(state));
  if (static_cast<int>(steps.size()) > max_cfg_undo_steps) steps.pop_front();
}

void Restore(const CfgSnapshot& state) {
  total_cfg_lines = static_cast<int>(state.lines.size());
  for (int line = 0; line < total_cfg_lines; ++line) configuration_line[line] = state.lines[line];
  modelcfg_lineselected = -1;
  getall_button.face_color = state.getall_colour;
  sendall_button.face_color = state.sendall_colour;
  SetModelCfgTitle(state.title.c_str());
  if (ui::IsLive(modelcfg_popup)) {
    ManageModelCfgScrollBar(modelcfg_popup);
    ui::Invalidate(modelcfg_popup, false);
  }
}

// Moves one step from one history to the other, keeping the present there.
int Step(Steps& from, Steps& to) {
  if (from.empty()) return 0;
  std::shared_ptr<const CfgSnapshot> state = from.back();
  from.pop_back();
  Keep(to, TakeCfgSnapshot());
  Restore(*state);
  return 1;
}

}  // namespace

std::shared_ptr<const CfgSnapshot> TakeCfgSnapshot() {
  auto state = std::make_shared<CfgSnapshot>();
  state->lines.assign(configuration_line, configuration_line + total_cfg_lines);
  state->title = ModelCfgTitle();
  state->getall_colour = getall_button.face_color;
  state->sendall_colour = sendall_button.face_color;
  return state;
}

void PushCfgUndo(std::shared_ptr<const CfgSnapshot> before) {
  Keep(undo_steps, std::move(before));
  redo_steps.clear();
}

int UndoCfgChange() {
  return Step(undo_steps, redo_steps);
}
int RedoCfgChange() {
  return Step(redo_steps, undo_steps);
}

void ClearCfgUndo() {
  undo_steps.clear();
  redo_steps.clear();
}

int CfgUndoSteps() {
  return static_cast<int>(undo_steps.size());
}
int CfgRedoSteps() {
  return static_cast<int>(redo_steps.size());
}

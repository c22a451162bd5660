// Control text, shared by the dialog functions and SetTitle/Title on a
// control's handle.
#pragma once

#include <string>

#include "ui/registry.h"

namespace ui::detail {

std::string TextOf(const WindowRecord& control, int max_chars);
void SetTextOf(WindowRecord& control, const std::string& text);

// msg_command to the control's dialog; muted notifications are dropped
// while the program itself changes the controls.
void Notify(Handle control, unsigned notification, bool mutable_by_program = true);

// One click on an up-down arrow: notify_delta_pos, the new position, msg_vscroll.
void StepUpDown(Handle control, bool up);

// Counts a change made by the program, during which controls do not notify.
class ProgrammaticChange {
 public:
  explicit ProgrammaticChange(Handle dialog);
  ~ProgrammaticChange();
  ProgrammaticChange(const ProgrammaticChange&) = delete;
  ProgrammaticChange& operator=(const ProgrammaticChange&) = delete;

 private:
  Handle dialog_;
};

}  // namespace ui::detail

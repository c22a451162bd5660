// Modal message boxes with the console's captions and icons. Under a scripted
// operator (scripted_operator.h) no box is shown: the operator records it and
// gives the answer.
#pragma once

#include <string>

#include "ui/window.h"

namespace ui {

enum class Buttons { ok, yes_no, ok_cancel, yes_no_cancel };
enum class Icon { none, error, warning, information, question };

enum Answer { answer_ok = 1, answer_cancel = 2, answer_yes = 6, answer_no = 7 };

// owner may be no_window. Returns one of Answer.
int ShowMessage(Handle owner, const std::string& text, const std::string& caption, Buttons buttons,
                Icon icon);

// The short sound that draws the operator's eye to news, without a box.
void InformationBeep();

}  // namespace ui

// The small modal dialog in which the editor asks for one line of text.
#pragma once

#include "ui/window.h"

constexpr int textentry_password = 0x20;  // style_flags: echo '*' for every character

struct textentry_struct {
  int style_flags = 0;
  char popup_title[256] = {};
  char entry_string[1024] = {};  // in: initial text; out on Ok: at most 199 characters
};

ui::Result TextEntryDialog(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam l);
// Runs the dialog over owner; 1 when the operator pressed Ok.
int RunTextEntryDialog(ui::Handle owner, textentry_struct* entry);

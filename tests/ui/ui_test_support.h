// Shared pieces of the window-system tests: procedures that record what they
// receive and hand each message to the test's own handler.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/window.h"

namespace ui_test {

struct Received {
  ui::Handle window;
  unsigned message;
  ui::WordParam word;
  ui::LongParam l;
};

// Everything the recording procedures saw, in order.
std::vector<Received>& Log();
std::vector<unsigned> MessagesOf(ui::Handle window);
int CountOf(ui::Handle window, unsigned message);
// The msg_command words a window received.
std::vector<ui::WordParam> CommandsOf(ui::Handle window);

// Called first for every message; returns true with a result to handle it.
using Handler = std::function<bool(ui::Handle, unsigned, ui::WordParam, ui::LongParam, ui::Result&)>;
void SetHandler(Handler handler);

// Records, asks the handler, else gives DefaultProcedure.
ui::Result RecordingProcedure(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l);
// Records, asks the handler, else returns 0 (a dialog procedure).
ui::Result RecordingDialogProcedure(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l);

// Registers "Recorder" (button face) with RecordingProcedure and the given menu.
void RegisterRecorder(const std::string& name = "Recorder", int menu = 0,
                      ui::Background background = ui::Background::button_face);

}  // namespace ui_test

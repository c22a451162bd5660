#include "ui_test_support.h"

#include <QByteArray>
#include <QtGlobal>

namespace ui_test {

namespace {

// The tests never need a display.
const bool offscreen = [] {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
  return true;
}();

Handler current_handler;

ui::Result Dispatch(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l, bool dialog) {
  Log().push_back({window, message, word, l});
  ui::Result result = 0;
  if (current_handler && current_handler(window, message, word, l, result)) return result;
  return dialog ? 0 : ui::DefaultProcedure(window, message, word, l);
}

}  // namespace

std::vector<Received>& Log() {
  static std::vector<Received> log;
  return log;
}

std::vector<unsigned> MessagesOf(ui::Handle window) {
  std::vector<unsigned> messages;
  for (const Received& received : Log())
    if (received.window == window) messages.push_back(received.message);
  return messages;
}

int CountOf(ui::Handle window, unsigned message) {
  int count = 0;
  for (const Received& received : Log()) count += received.window == window && received.message == message;
  return count;
}

std::vector<ui::WordParam> CommandsOf(ui::Handle window) {
  std::vector<ui::WordParam> words;
  for (const Received& received : Log())
    if (received.window == window && received.message == ui::msg_command) words.push_back(received.word);
  return words;
}

void SetHandler(Handler handler) { current_handler = std::move(handler); }

ui::Result RecordingProcedure(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l) {
  return Dispatch(window, message, word, l, false);
}

ui::Result RecordingDialogProcedure(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l) {
  return Dispatch(window, message, word, l, true);
}

void RegisterRecorder(const std::string& name, int menu, ui::Background background) {
  ui::RegisterWindowClass({name, RecordingProcedure, 0, background, 8, menu});
}

}  // namespace ui_test

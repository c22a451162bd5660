#include "ui/scripted_operator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/dialog_internal.h"
#include "ui/key_mapping.h"
#include "ui/keys.h"
#include "ui/message_queue.h"
#include "ui/registry.h"
#include "ui/scroll_bars.h"
#include "ui/text.h"

namespace ui {

using namespace detail;

namespace {

ScriptedOperator* installed = nullptr;
unsigned installations = 0;

QWidget* ControlWidget(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  return record && record->client && record->client->isEnabled() ? record->client.data() : nullptr;
}

// Typing replaces the selection character by character, as keys would.
void TypeInto(QLineEdit& edit, const std::string& text) {
  if (edit.isReadOnly()) return;
  edit.setFocus(Qt::MouseFocusReason);
  edit.selectAll();
  if (text.empty()) edit.del();
  for (const char character : text) edit.insert(QString(QChar(static_cast<unsigned char>(character))));
}

// Keys go where the keyboard is: the focused control of the window, or the window.
QWidget* KeyTarget(Handle window) {
  const WindowRecord* record = Find(window);
  if (!record || !record->client) return nullptr;
  QWidget* focused = record->client->focusWidget();
  return focused && record->client->isAncestorOf(focused) ? focused : record->client.data();
}

Qt::KeyboardModifiers HeldModifiers() {
  Qt::KeyboardModifiers modifiers;
  if (IsKeyHeld(vk_shift)) modifiers |= Qt::ShiftModifier;
  if (IsKeyHeld(vk_control)) modifiers |= Qt::ControlModifier;
  if (IsKeyHeld(vk_menu)) modifiers |= Qt::AltModifier;
  return modifiers;
}

Qt::MouseButtons ButtonsOf(unsigned key_state) {
  Qt::MouseButtons buttons;
  if (key_state & key_state_left) buttons |= Qt::LeftButton;
  if (key_state & key_state_right) buttons |= Qt::RightButton;
  if (key_state & key_state_middle) buttons |= Qt::MiddleButton;
  return buttons;
}

Qt::KeyboardModifiers ModifiersOf(unsigned key_state) {
  Qt::KeyboardModifiers modifiers;
  if (key_state & key_state_shift) modifiers |= Qt::ShiftModifier;
  if (key_state & key_state_control) modifiers |= Qt::ControlModifier;
  return modifiers;
}

// The pointer's events go to the window's client widget; while a button is
// held Qt sends them there even outside it, so coordinates are not limited.
void SendMouseEvent(Handle window, QEvent::Type type, Qt::MouseButton button,
                    Qt::MouseButtons buttons, int x, int y, unsigned key_state) {
  const WindowRecord* record = Find(window);
  if (!record || !record->client) return;
  QWidget* client = record->client.data();
  if (type == QEvent::MouseButtonPress) {
    client->window()->activateWindow();
    if (client->focusPolicy() & Qt::ClickFocus) client->setFocus(Qt::MouseFocusReason);
  }
  const QPointF local(x, y);
  QMouseEvent event(type, local, client->mapToGlobal(local), button, buttons,
                    ModifiersOf(key_state));
  QApplication::sendEvent(client, &event);
}

bool Matches(const std::string& wanted, const std::string& name, const std::string& caption, const std::string& title) {
  return wanted == name || wanted == caption || wanted == title;
}

}  // namespace

ScriptedOperator::ScriptedOperator() : previous_(installed), generation_(++installations) {
  EnsureApplication();
  installed = this;
}

ScriptedOperator::~ScriptedOperator() {
  if (installed == this) installed = previous_;
}

ScriptedOperator* CurrentOperator() { return installed; }

void ScriptedOperator::Answer(int answer) { answers_.push_back(answer); }

void ScriptedOperator::SetDefaultAnswer(int answer) { default_answer_ = answer; }

void ScriptedOperator::WhenDialogOpens(const std::string& name, std::function<void(Handle dialog)> action) {
  pending_.push_back({name, std::move(action)});
}

void ScriptedOperator::AnswerFontChooser(const FontSpec& font, int point_size_tenths) {
  font_answer_ = FontAnswer{font, point_size_tenths};
}

int ScriptedOperator::OnMessageBox(RecordedBox box) {
  if (!answers_.empty()) {
    box.answer = answers_.front();
    answers_.pop_front();
  } else {
    box.answer = box.buttons == Buttons::ok ? answer_ok : default_answer_;
  }
  boxes_.push_back(box);
  return box.answer;
}

void ScriptedOperator::OnDialogInitialised(Handle dialog, const std::string& name,
                                           const std::string& template_caption, const std::string& title) {
  opened_.push_back(title.empty() ? name : title);
  for (auto pending = pending_.begin(); pending != pending_.end(); ++pending) {
    if (!Matches(pending->name, name, template_caption, title)) continue;
    // Posted, so that the step runs from the dialog's own loop.
    PostCall([action = std::move(pending->action), dialog, generation = generation_] {
      if (installed && installed->generation_ == generation && IsLive(dialog)) action(dialog);
    });
    pending_.erase(pending);
    return;
  }
}

bool ScriptedOperator::OnFontChooser(FontSpec& font, int& point_size_tenths) {
  ++font_choosers_;
  if (!font_answer_) return false;
  font = font_answer_->font;
  point_size_tenths = font_answer_->point_size_tenths;
  font_answer_.reset();
  return true;
}

bool ScriptedOperator::OnFileDialog(const FileDialogRequest& request, std::string& path) {
  file_dialogs_.push_back(request);
  if (file_answers_.empty()) return false;
  path = file_answers_.front();
  file_answers_.pop_front();
  return true;
}

PrintDialogAnswer ScriptedOperator::OnPrintDialog() {
  ++print_dialogs_;
  if (print_answers_.empty()) {
    PrintDialogAnswer cancel;
    cancel.cancel = true;
    return cancel;
  }
  PrintDialogAnswer answer = print_answers_.front();
  print_answers_.pop_front();
  return answer;
}

void ScriptedOperator::Type(Handle dialog, int id, const std::string& text) {
  QWidget* widget = ControlWidget(dialog, id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    TypeInto(*edit, text);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->isEditable()) {
    TypeInto(*combo->lineEdit(), text);
  } else if (auto* multiline = qobject_cast<QPlainTextEdit*>(widget); multiline && !multiline->isReadOnly()) {
    multiline->setFocus(Qt::MouseFocusReason);
    multiline->selectAll();
    multiline->insertPlainText(ToQt(text));
  }
}

void ScriptedOperator::Press(Handle dialog, int id) {
  auto* button = qobject_cast<QAbstractButton*>(ControlWidget(dialog, id));
  if (!button || !button->isVisible()) return;
  if (button->focusPolicy() & Qt::ClickFocus) button->setFocus(Qt::MouseFocusReason);
  button->click();
}

void ScriptedOperator::Choose(Handle dialog, int id, int index) {
  QWidget* widget = ControlWidget(dialog, id);
  if (auto* list = qobject_cast<QListWidget*>(widget); list && index >= 0 && index < list->count()) {
    list->setCurrentRow(index);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget); combo && index >= 0 && index < combo->count()) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  } else if (auto* tree = qobject_cast<QTreeWidget*>(widget); tree && index >= 0 && index < tree->topLevelItemCount()) {
    tree->setCurrentItem(tree->topLevelItem(index));
  }
}

void ScriptedOperator::ChooseText(Handle dialog, int id, const std::string& text) {
  if (auto* combo = qobject_cast<QComboBox*>(ControlWidget(dialog, id)); combo && combo->isEditable())
    TypeInto(*combo->lineEdit(), text);
}

void ScriptedOperator::KeyDown(Handle window, int virtual_key, bool repeat) {
  QWidget* target = KeyTarget(window);
  if (!target) return;
  const QtKeyStroke stroke = QtKeyFromVirtualKey(virtual_key, IsKeyHeld(vk_shift));
  if (!stroke.key) return;
  QKeyEvent press(QEvent::KeyPress, stroke.key, stroke.modifiers | HeldModifiers(), stroke.text, repeat);
  QApplication::sendEvent(target, &press);
}

void ScriptedOperator::KeyUp(Handle window, int virtual_key) {
  QWidget* target = KeyTarget(window);
  if (!target) return;
  const QtKeyStroke stroke = QtKeyFromVirtualKey(virtual_key, IsKeyHeld(vk_shift));
  if (!stroke.key) return;
  Qt::KeyboardModifiers modifiers = HeldModifiers() | (stroke.modifiers & Qt::KeypadModifier);
  // Letting go of a modifier key ends its modifier.
  if (virtual_key == vk_shift) modifiers &= ~Qt::KeyboardModifiers(Qt::ShiftModifier);
  if (virtual_key == vk_control) modifiers &= ~Qt::KeyboardModifiers(Qt::ControlModifier);
  if (virtual_key == vk_menu) modifiers &= ~Qt::KeyboardModifiers(Qt::AltModifier);
  QKeyEvent release(QEvent::KeyRelease, stroke.key, modifiers, stroke.text);
  QApplication::sendEvent(target, &release);
}

void ScriptedOperator::Char(Handle window, int character) {
  QWidget* target = KeyTarget(window);
  if (!target || character <= 0 || character > 255) return;
  // A character without a key, as a typed character reaches a window.
  QKeyEvent press(QEvent::KeyPress, 0, HeldModifiers(), QString(QChar(character)));
  QApplication::sendEvent(target, &press);
}

void ScriptedOperator::StepUpDown(Handle dialog, int id, bool up) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (!record || !record->client || !record->client->isEnabled()) return;
  if (auto* arrow = record->client->findChild<QAbstractButton*>(up ? QStringLiteral("up") : QStringLiteral("down")))
    arrow->click();
}

void ScriptedOperator::MouseDown(Handle window, int x, int y, unsigned key_state) {
  SendMouseEvent(window, QEvent::MouseButtonPress, Qt::LeftButton,
                 ButtonsOf(key_state) | Qt::LeftButton, x, y, key_state);
}

void ScriptedOperator::MouseUp(Handle window, int x, int y, unsigned key_state) {
  SendMouseEvent(window, QEvent::MouseButtonRelease, Qt::LeftButton,
                 ButtonsOf(key_state) & ~Qt::LeftButton, x, y, key_state);
}

void ScriptedOperator::MouseMove(Handle window, int x, int y, unsigned key_state) {
  SendMouseEvent(window, QEvent::MouseMove, Qt::NoButton, ButtonsOf(key_state), x, y, key_state);
}

void ScriptedOperator::ClickAt(Handle window, int x, int y) {
  MouseDown(window, x, y);
  MouseUp(window, x, y);
}

WindowImage ScriptedOperator::Grab(Handle window) {
  WindowRecord* record = Find(window);
  if (!record || !record->client) return {};
  // A whole picture: the background is drawn too, whatever the last invalidation asked.
  record->erase_requested = true;
  QImage image = record->client->grab().toImage().convertToFormat(QImage::Format_RGB32);
  // One sample per client pixel on screens that scale.
  if (image.size() != record->client->size()) image = image.scaled(record->client->size());
  std::vector<Colour> pixels;
  pixels.reserve(static_cast<std::size_t>(image.width()) *
                 static_cast<std::size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      pixels.push_back(MakeColour(qRed(row[x]), qGreen(row[x]), qBlue(row[x])));
  }
  return WindowImage(image.width(), image.height(), std::move(pixels));
}

void ScriptedOperator::Scroll(Handle dialog, int id, unsigned scroll_code, int position) {
  const WindowRecord* record = id ? ControlRecord(dialog, id) : Find(dialog);
  if (record) ScrollAction(record->handle, scroll_code, position);
}

}  // namespace ui

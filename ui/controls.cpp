// Control text and state by id.
#include "ui/controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <climits>
#include <cctype>

#include "ui/fonts.h"
#include "ui/scroll_bars.h"
#include "ui/text.h"

namespace ui::detail {

namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

std::string TextOf(const WindowRecord& control, int max_chars) {
  QWidget* widget = control.client;
  std::string text;
  if (!widget) return text;
  if (qobject_cast<QLabel*>(widget)) {
    text = control.control ? control.control->text : std::string();
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    text = FromQt(edit->text());
  } else if (auto* multiline = qobject_cast<QPlainTextEdit*>(widget)) {
    // Lines end with CR LF, as the desktop edit gives them.
    text = ReplaceAll(FromQt(multiline->toPlainText()), "\n", "\r\n");
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    text = FromQt(combo->currentText());
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    text = FromQt(button->text());
  } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    text = FromQt(box->title());
  } else {
    text = FromQt(widget->windowTitle());
  }
  if (text.size() > static_cast<std::size_t>(std::max(max_chars, 0))) text.resize(static_cast<std::size_t>(std::max(max_chars, 0)));
  return text;
}

void SetTextOf(WindowRecord& control, const std::string& text) {
  QWidget* widget = control.client;
  if (!widget) return;
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    control.control->text = text;
    label->setText(WithoutMnemonics(text));
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(ToQt(text));
  } else if (auto* multiline = qobject_cast<QPlainTextEdit*>(widget)) {
    multiline->setPlainText(ToQt(ReplaceAll(text, "\r\n", "\n")));
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->isEditable()) {
      combo->setEditText(ToQt(text));
    } else {
      // A drop-down list can only show one of its items.
      const ProgrammaticChange change(control.parent);
      combo->setCurrentIndex(combo->findText(ToQt(text), Qt::MatchFixedString));
    }
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(ToQt(text));
  } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    box->setTitle(ToQt(text));
  } else {
    widget->setWindowTitle(ToQt(text));
  }
}

void Notify(Handle control, unsigned notification, bool mutable_by_program) {
  const WindowRecord* record = Find(control);
  if (!record || !record->control) return;
  const WindowRecord* dialog = Find(record->parent);
  if (!dialog || !dialog->dialog) return;
  if (mutable_by_program && dialog->dialog->programmatic > 0) return;
  Send(record->parent, msg_command, MakeCommand(record->control->id, notification), 0);
}

ProgrammaticChange::ProgrammaticChange(Handle dialog) : dialog_(dialog) {
  if (WindowRecord* record = Find(dialog_); record && record->dialog) ++record->dialog->programmatic;
}

ProgrammaticChange::~ProgrammaticChange() {
  if (WindowRecord* record = Find(dialog_); record && record->dialog) --record->dialog->programmatic;
}

}  // namespace ui::detail

namespace ui {

using namespace detail;

Handle Control(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  return record ? record->handle : no_window;
}

std::string ControlText(Handle dialog, int id, int max_chars) {
  const WindowRecord* record = ControlRecord(dialog, id);
  return record ? TextOf(*record, max_chars) : std::string();
}

void SetControlText(Handle dialog, int id, const std::string& text) {
  if (WindowRecord* record = ControlRecord(dialog, id)) SetTextOf(*record, text);
}

int ControlInt(Handle dialog, int id, bool* ok) {
  // Decimal digits with an optional sign after leading blanks; nothing may follow.
  const std::string text = ControlText(dialog, id);
  std::size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  const bool negative = at < text.size() && text[at] == '-';
  if (negative) ++at;
  long long value = 0;
  const std::size_t digits_from = at;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
    value = std::min<long long>(value * 10 + (text[at] - '0'), 1LL << 40);
  }
  const bool valid = at > digits_from && at == text.size() && value <= INT_MAX;
  if (ok) *ok = valid;
  if (!valid) return 0;
  return static_cast<int>(negative ? -value : value);
}

void SetControlInt(Handle dialog, int id, long value) { SetControlText(dialog, id, std::to_string(value)); }

void SetTextLimit(Handle dialog, int id, int max_chars) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (!record || !record->client) return;
  QLineEdit* edit = qobject_cast<QLineEdit*>(record->client.data());
  if (auto* combo = qobject_cast<QComboBox*>(record->client.data())) edit = combo->lineEdit();
  if (edit) edit->setMaxLength(max_chars > 0 ? max_chars : 32767);
}

void SetPasswordCharacter(Handle dialog, int id, char echo) {
  const WindowRecord* record = ControlRecord(dialog, id);
  auto* edit = record ? qobject_cast<QLineEdit*>(record->client.data()) : nullptr;
  if (!edit) return;
  if (!echo) {
    edit->setEchoMode(QLineEdit::Normal);
    return;
  }
  // The style decides the echo character; the style sheet overrides its choice.
  edit->setStyleSheet(
      QStringLiteral("lineedit-password-character: %1").arg(static_cast<unsigned char>(echo)));
  edit->setEchoMode(QLineEdit::Password);
}

std::string ShownText(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  auto* edit = record ? qobject_cast<QLineEdit*>(record->client.data()) : nullptr;
  return edit ? FromQt(edit->displayText()) : std::string();
}

int CheckStateOf(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (!record) return unchecked;
  if (auto* box = qobject_cast<QCheckBox*>(record->client.data())) {
    switch (box->checkState()) {
      case Qt::Checked:
        return checked;
      case Qt::PartiallyChecked:
        return indeterminate;
      case Qt::Unchecked:
        break;
    }
    return unchecked;
  }
  if (auto* radio = qobject_cast<QRadioButton*>(record->client.data())) return radio->isChecked() ? checked : unchecked;
  return unchecked;
}

void SetCheck(Handle dialog, int id, int state) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (!record) return;
  const ProgrammaticChange change(dialog);
  if (auto* box = qobject_cast<QCheckBox*>(record->client.data())) {
    if (box->isTristate()) {
      box->setCheckState(state == indeterminate ? Qt::PartiallyChecked : state ? Qt::Checked : Qt::Unchecked);
    } else {
      box->setChecked(state != unchecked);
    }
  } else if (auto* radio = qobject_cast<QRadioButton*>(record->client.data())) {
    // Checking one radio clears the rest of its group; a group may also be left with none.
    QButtonGroup* group = radio->group();
    if (state == unchecked && group) group->setExclusive(false);
    radio->setChecked(state != unchecked);
    if (state == unchecked && group) group->setExclusive(true);
  }
}

void EnableControl(Handle dialog, int id, bool enabled) {
  WindowRecord* record = ControlRecord(dialog, id);
  if (!record || !record->client) return;
  record->control->enabled_by_program = enabled;
  if (auto* bar = qobject_cast<QScrollBar*>(record->client.data())) {
    ApplyRange(bar, record->control->range, enabled);
  } else {
    record->client->setEnabled(enabled);
  }
}

bool IsControlEnabled(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  return record && record->control->enabled_by_program;
}

void ShowControl(Handle dialog, int id, bool visible) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (record && record->client) record->client->setVisible(visible);
}

void FocusControl(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (record && record->client) record->client->setFocus(Qt::OtherFocusReason);
}

int FocusedControl(Handle dialog) {
  const WindowRecord* record = Find(dialog);
  if (!record || !record->dialog || !record->client) return 0;
  const WindowRecord* focused = Find(HandleOf(record->client->focusWidget()));
  return focused && focused->control && focused->parent == dialog ? focused->control->id : 0;
}

void SetControlFont(Handle dialog, int id, const FontSpec& font) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (record && record->client) record->client->setFont(QFontFromSpec(font));
}

void SetControlColours(Handle dialog, int id, long text, long background) {
  WindowRecord* record = ControlRecord(dialog, id);
  if (!record || !record->client) return;
  record->control->text_colour = text;
  record->control->background_colour = background;
  record->client->update();
}

void SetButtonPushed(Handle dialog, int id, bool pushed) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (!record) return;
  if (auto* button = qobject_cast<QAbstractButton*>(record->client.data())) button->setDown(pushed);
}

bool IsButtonPushed(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  const auto* button = record ? qobject_cast<QAbstractButton*>(record->client.data()) : nullptr;
  return button && button->isDown();
}

}  // namespace ui

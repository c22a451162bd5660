#include "ui/registry.h"

#include <QApplication>
#include <QVariant>

#include "ui/paint.h"
#include "ui/text.h"

namespace ui::detail {

namespace {

constexpr const char* handle_property = "corvane_handle";

std::map<Handle, std::unique_ptr<WindowRecord>>& Records() {
  static std::map<Handle, std::unique_ptr<WindowRecord>> records;
  return records;
}

std::map<std::string, WindowClass>& Classes() {
  static std::map<std::string, WindowClass> classes;
  return classes;
}

Handle last_handle = no_window;
Handle noted_active = no_window;

}  // namespace

WindowRecord* Find(Handle handle) {
  auto& records = Records();
  const auto found = records.find(handle);
  return found == records.end() ? nullptr : found->second.get();
}

WindowRecord& AddRecord(WindowKind kind, Handle parent) {
  auto record = std::make_unique<WindowRecord>();
  record->handle = ++last_handle;
  record->kind = kind;
  record->parent = parent;
  WindowRecord& added = *record;
  Records()[added.handle] = std::move(record);
  return added;
}

void RemoveRecord(Handle handle) {
  Records().erase(handle);
  if (noted_active == handle) noted_active = no_window;
}

std::vector<Handle> ChildrenOf(Handle handle) {
  std::vector<Handle> children;
  for (const auto& [child, record] : Records())
    if (record->parent == handle) children.push_back(child);
  return children;
}

void Attach(QWidget* widget, Handle handle) { widget->setProperty(handle_property, QVariant::fromValue(handle)); }

Handle HandleOf(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    const QVariant value = widget->property(handle_property);
    if (value.isValid()) return value.value<Handle>();
    if (widget->isWindow()) break;
  }
  return no_window;
}

const WindowClass* FindClass(const std::string& name) {
  const auto found = Classes().find(name);
  return found == Classes().end() ? nullptr : &found->second;
}

QColor BackgroundColour(Background background) {
  switch (background) {
    case Background::dark_grey:
      return QColor(64, 64, 64);
    case Background::white:
      return Qt::white;
    case Background::black:
      return Qt::black;
    case Background::button_face:
      break;
  }
  return ToQColor(ButtonFaceColour());
}

QWidget* OwnerWidget(Handle owner) {
  const WindowRecord* record = Find(owner);
  return record && record->frame ? record->frame->window() : nullptr;
}

void NoteActive(Handle window) { noted_active = window; }

WindowRecord* ControlRecord(Handle dialog, int id) {
  const WindowRecord* record = Find(dialog);
  if (!record || !record->dialog) return nullptr;
  for (Handle control : record->dialog->controls) {
    WindowRecord* found = Find(control);
    if (found && found->control && found->control->id == id) return found;
  }
  return nullptr;
}

}  // namespace ui::detail

namespace ui {

using namespace detail;

bool RegisterWindowClass(const WindowClass& window_class) {
  if (window_class.name.empty() || !window_class.procedure) return false;
  Classes()[window_class.name] = window_class;
  return true;
}

bool IsLive(Handle window) { return Find(window) != nullptr; }

Handle Parent(Handle window) {
  const WindowRecord* record = Find(window);
  return record ? record->parent : no_window;
}

Handle ActiveWindow() {
  if (Find(noted_active)) return noted_active;
  return HandleOf(QApplication::activeWindow());
}

LongParam WindowData(Handle window, int offset) {
  const WindowRecord* record = Find(window);
  if (!record) return 0;
  const auto found = record->data.find(offset);
  return found == record->data.end() ? 0 : found->second;
}

void SetWindowData(Handle window, int offset, LongParam value) {
  constexpr int user_slot = -21;
  WindowRecord* record = Find(window);
  if (!record || (offset != user_slot && (offset < 0 || offset >= record->extra_bytes))) return;
  record->data[offset] = value;
}

}  // namespace ui

#include "ui/window_widget.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/key_mapping.h"
#include "ui/qt_paint_context.h"
#include "ui/registry.h"

namespace ui::detail {

namespace {

constexpr LongParam repeat_bit = LongParam{1} << 30;

WordParam KeyStateOf(const QMouseEvent& event) {
  WordParam state = 0;
  if (event.buttons() & Qt::LeftButton) state |= key_state_left;
  if (event.buttons() & Qt::RightButton) state |= key_state_right;
  if (event.buttons() & Qt::MiddleButton) state |= key_state_middle;
  if (event.modifiers() & Qt::ShiftModifier) state |= key_state_shift;
  if (event.modifiers() & Qt::ControlModifier) state |= key_state_control;
  return state;
}

LongParam PointerOf(PaintContext& context) { return reinterpret_cast<LongParam>(&context); }

}  // namespace

WindowWidget::WindowWidget(Handle handle, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), handle_(handle) {
  Attach(this, handle);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // The procedure paints everything (msg_erase_background, then msg_paint).
  setAttribute(Qt::WA_OpaquePaintEvent);
}

bool WindowWidget::TakesTab() const {
  const WindowRecord* record = Find(handle_);
  return record && !(record->dialog && !record->dialog->class_procedure);
}

bool WindowWidget::event(QEvent* event) {
  // Tab is a key like any other for a window procedure; only dialogs with
  // their own procedure move the focus with it.
  if (event->type() == QEvent::KeyPress && TakesTab()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QWidget::event(event);
}

void WindowWidget::paintEvent(QPaintEvent* event) {
  WindowRecord* record = Find(handle_);
  if (!record) return;
  const bool erase = record->erase_requested || !record->paint_without_erase;
  record->erase_requested = record->paint_without_erase = false;
  const QColor background = BackgroundColour(record->background);
  QPainter painter(this);
  QtPaintContext context(painter, event->rect());
  if (erase && Send(handle_, msg_erase_background, 0, PointerOf(context)) == 0) {
    painter.fillRect(event->rect(), background);
  }
  Send(handle_, msg_paint, 0, PointerOf(context));
}

void WindowWidget::keyPressEvent(QKeyEvent* event) {
  const int key = VirtualKeyFromQt(event->key(), event->modifiers());
  if (key) Send(handle_, msg_key_down, static_cast<WordParam>(key), event->isAutoRepeat() ? repeat_bit | 1 : 1);
  const int character = CharacterOf(event->key(), event->text());
  if (character) Send(handle_, msg_char, static_cast<WordParam>(character), 1);
}

void WindowWidget::keyReleaseEvent(QKeyEvent* event) {
  // Held keys repeat as presses only, as on the desktop.
  if (event->isAutoRepeat()) return;
  const int key = VirtualKeyFromQt(event->key(), event->modifiers());
  if (key) Send(handle_, msg_key_up, static_cast<WordParam>(key), 1);
}

void WindowWidget::SendMouse(unsigned message, const QMouseEvent& event) {
  const QPoint point = event.position().toPoint();
  Send(handle_, message, KeyStateOf(event), MakePoint(point.x(), point.y()));
}

void WindowWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) SendMouse(msg_left_down, *event);
  if (event->button() == Qt::RightButton) SendMouse(msg_right_down, *event);
}

void WindowWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) SendMouse(msg_left_up, *event);
  if (event->button() == Qt::RightButton) SendMouse(msg_right_up, *event);
}

void WindowWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) SendMouse(msg_left_double, *event);
  if (event->button() == Qt::RightButton) SendMouse(msg_right_down, *event);
}

void WindowWidget::mouseMoveEvent(QMouseEvent* event) {
  Send(handle_, msg_set_cursor);
  SendMouse(msg_mouse_move, *event);
}

void WindowWidget::resizeEvent(QResizeEvent*) { Send(handle_, msg_size, 0, MakePoint(width(), height())); }

void WindowWidget::focusInEvent(QFocusEvent*) { Send(handle_, msg_set_focus); }

void WindowWidget::focusOutEvent(QFocusEvent*) { Send(handle_, msg_kill_focus); }

void WindowWidget::closeEvent(QCloseEvent* event) {
  // Whether the window goes is the procedure's decision.
  event->ignore();
  RequestClose(handle_);
}

FrameWidget::FrameWidget(Handle handle, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), handle_(handle) {
  Attach(this, handle);
}

void FrameWidget::Arrange(QWidget* client, QMenuBar* menu_bar, QScrollBar* scroll_bar) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  if (menu_bar) grid->setMenuBar(menu_bar);
  grid->addWidget(client, 0, 0);
  if (scroll_bar) grid->addWidget(scroll_bar, 0, 1);
  setFocusProxy(client);
}

void FrameWidget::closeEvent(QCloseEvent* event) {
  event->ignore();
  RequestClose(handle_);
}

}  // namespace ui::detail

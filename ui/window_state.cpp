// What a window shows and where: visibility, title, geometry, focus,
// repainting, cursors and the screen.
#include <QApplication>
#include <QCursor>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/registry.h"
#include "ui/scroll_bars.h"
#include "ui/text.h"
#include "ui/window.h"

namespace ui {

using namespace detail;

namespace {

QWidget* FrameOf(Handle window) {
  const WindowRecord* record = Find(window);
  return record ? record->frame.data() : nullptr;
}

QWidget* ClientOf(Handle window) {
  const WindowRecord* record = Find(window);
  return record ? record->client.data() : nullptr;
}

Qt::CursorShape ShapeOf(Cursor cursor) {
  switch (cursor) {
    case Cursor::wait:
      return Qt::WaitCursor;
    case Cursor::no_entry:
      return Qt::ForbiddenCursor;
    case Cursor::up_arrow:
      return Qt::UpArrowCursor;
    case Cursor::arrow:
      break;
  }
  return Qt::ArrowCursor;
}

// Notes whether the coming paint erases first; the client to update, or nullptr.
QWidget* MarkForPaint(Handle window, bool erase) {
  WindowRecord* record = Find(window);
  if (!record || !record->client) return nullptr;
  (erase ? record->erase_requested : record->paint_without_erase) = true;
  return record->client;
}

}  // namespace

void Show(Handle window, bool visible) {
  if (QWidget* frame = FrameOf(window)) frame->setVisible(visible);
}

void ShowMaximized(Handle window) {
  if (QWidget* frame = FrameOf(window)) frame->showMaximized();
}

bool IsVisible(Handle window) {
  const QWidget* frame = FrameOf(window);
  return frame && frame->isVisible();
}

void SetTitle(Handle window, const std::string& title) {
  WindowRecord* record = Find(window);
  if (!record) return;
  if (record->control) {
    SetTextOf(*record, title);
  } else if (record->frame) {
    record->frame->setWindowTitle(ToQt(title));
  }
}

std::string Title(Handle window) {
  const WindowRecord* record = Find(window);
  if (!record) return {};
  if (record->control) return TextOf(*record, 1 << 20);
  return record->frame ? FromQt(record->frame->windowTitle()) : std::string();
}

void Move(Handle window, int x, int y, int width, int height) {
  QWidget* frame = FrameOf(window);
  if (!frame) return;
  if (!frame->isWindow()) {
    frame->setGeometry(x, y, width, height);
    return;
  }
  // The size given includes the decorations the platform adds around the frame.
  const QSize decorations = frame->frameGeometry().size() - frame->geometry().size();
  frame->move(x, y);
  frame->resize(std::max(0, width - decorations.width()), std::max(0, height - decorations.height()));
  if (frame->layout()) frame->layout()->activate();
}

Rect WindowRect(Handle window) {
  const QWidget* frame = FrameOf(window);
  if (!frame) return {};
  const QRect area = frame->isWindow() ? frame->frameGeometry()
                                       : QRect(frame->mapToGlobal(QPoint(0, 0)), frame->size());
  return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

Rect ClientRect(Handle window) {
  const QWidget* client = ClientOf(window);
  return client ? Rect{0, 0, client->width(), client->height()} : Rect{};
}

void BringToFront(Handle window) {
  QWidget* frame = FrameOf(window);
  if (!frame) return;
  QWidget* top = frame->window();
  top->raise();
  top->activateWindow();
  NoteActive(HandleOf(top));
}

void SetFocusTo(Handle window) {
  QWidget* client = ClientOf(window);
  if (!client) return;
  if (!client->window()->isActiveWindow()) client->window()->activateWindow();
  client->setFocus(Qt::OtherFocusReason);
}

void Enable(Handle window, bool enabled) {
  if (QWidget* frame = FrameOf(window)) frame->setEnabled(enabled);
}

bool IsEnabled(Handle window) {
  const QWidget* frame = FrameOf(window);
  return frame && frame->isEnabled();
}

void Invalidate(Handle window, bool erase) {
  if (QWidget* client = MarkForPaint(window, erase)) client->update();
}

void InvalidateArea(Handle window, const Rect& area, bool erase) {
  if (QWidget* client = MarkForPaint(window, erase)) client->update(QRect(area.left, area.top, area.Width(), area.Height()));
}

void Repaint(Handle window) {
  if (QWidget* client = ClientOf(window)) client->repaint();
}

void SetWindowScrollBar(Handle window, int minimum, int maximum, int page, int position) {
  WindowRecord* record = Find(window);
  if (!record || !record->scroll_bar) return;
  record->scroll = {minimum, std::max(minimum, maximum), std::max(page, 0), 0};
  record->scroll.position = ClampedPosition(record->scroll, position);
  ApplyRange(record->scroll_bar, record->scroll, true);
}

int WindowScrollPosition(Handle window) {
  const WindowRecord* record = Find(window);
  return record ? record->scroll.position : 0;
}

void SetCursorShape(Cursor cursor) {
  EnsureApplication();
  if (cursor == Cursor::arrow) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  } else if (QApplication::overrideCursor()) {
    QApplication::changeOverrideCursor(ShapeOf(cursor));
  } else {
    QApplication::setOverrideCursor(ShapeOf(cursor));
  }
}

void SetWindowCursor(Handle window, Cursor cursor) {
  if (QWidget* client = ClientOf(window)) client->setCursor(ShapeOf(cursor));
}

Point CursorPosition() {
  EnsureApplication();
  const QPoint position = QCursor::pos();
  return {position.x(), position.y()};
}

ScreenInfo Screen() {
  EnsureApplication();
  ScreenInfo info;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return info;
  info.full_width = screen->availableGeometry().width();
  info.full_height = screen->availableGeometry().height();
  info.horizontal_resolution = screen->geometry().width();
  info.colour_bits = screen->depth();
  return info;
}

int SystemMetric(Metric metric) {
  EnsureApplication();
  const QStyle* style = QApplication::style();
  switch (metric) {
    case Metric::scroll_bar_width:
    case Metric::scroll_arrow_height:
      return style->pixelMetric(QStyle::PM_ScrollBarExtent);
    case Metric::frame_width:
      return style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    case Metric::caption_height:
      return style->pixelMetric(QStyle::PM_TitleBarHeight);
    case Metric::menu_height: {
      QMenuBar bar;
      bar.addMenu(QStringLiteral("M"));
      return bar.sizeHint().height();
    }
  }
  return 0;
}

}  // namespace ui

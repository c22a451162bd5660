// The widgets behind windows: WindowWidget turns Qt events into messages to
// the window's procedure (client areas, dialogs, custom controls);
// FrameWidget is the top-level frame around a client, its menu bar and its
// scroll bar.
#pragma once

#include <QWidget>

#include "ui/window.h"

class QMenuBar;
class QScrollBar;

namespace ui::detail {

class WindowWidget : public QWidget {
  Q_OBJECT

 public:
  WindowWidget(Handle handle, QWidget* parent, Qt::WindowFlags flags = {});

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  bool TakesTab() const;
  void SendMouse(unsigned message, const QMouseEvent& event);

  Handle handle_;
};

class FrameWidget : public QWidget {
  Q_OBJECT

 public:
  FrameWidget(Handle handle, QWidget* parent, Qt::WindowFlags flags);
  // Lays out the client below the menu bar and left of the scroll bar (either may be null).
  void Arrange(QWidget* client, QMenuBar* menu_bar, QScrollBar* scroll_bar);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Handle handle_;
};

}  // namespace ui::detail

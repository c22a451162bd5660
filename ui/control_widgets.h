// Widgets and watchers that give Qt's controls the desktop controls' habits.
#pragma once

#include <QCheckBox>
#include <QPushButton>
#include <QWidget>

#include "ui/window.h"

namespace ui::detail {

// A three-state box is set by the procedure, never by its own click.
class ThreeStateBox : public QCheckBox {
  Q_OBJECT

 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override {}
};

// A button its dialog paints: msg_paint to the dialog with word = id.
class OwnerDrawButton : public QPushButton {
  Q_OBJECT

 public:
  OwnerDrawButton(Handle control, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Handle control_;
};

// Two arrows; each click steps the control (StepUpDown in controls.h).
class UpDownWidget : public QWidget {
  Q_OBJECT

 public:
  UpDownWidget(Handle control, QWidget* parent);
};

// Static texts, boxes and buttons take their colours from the dialog
// (msg_static_colour, SetControlColours) each time they paint.
void WatchColours(QWidget* widget);
// An edit reports gaining and losing the focus.
void WatchFocus(QWidget* widget, Handle control);
// A tree reports a key before it acts on it.
void WatchKeys(QWidget* widget, Handle control);

}  // namespace ui::detail

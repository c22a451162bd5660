#include "ui/qt_paint_context.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionButton>
#include <qdrawutil.h>

#include "ui/fonts.h"
#include "ui/text.h"

namespace ui::detail {

namespace {

// Rectangles exclude their right and bottom edges, as on the desktop.
QRect ToQRect(const Rect& rect) { return QRect(rect.left, rect.top, rect.Width(), rect.Height()); }

}  // namespace

QtPaintContext::QtPaintContext(QPainter& painter, const QRect& area)
    : painter_(painter), area_{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()} {}

void QtPaintContext::FillRect(const Rect& rect, Colour colour) { painter_.fillRect(ToQRect(rect), ToQColor(colour)); }

void QtPaintContext::FrameRect(const Rect& rect, Colour colour, int thickness) {
  const QColor colour_q = ToQColor(colour);
  const int t = std::max(1, thickness);
  painter_.fillRect(QRect(rect.left, rect.top, rect.Width(), t), colour_q);
  painter_.fillRect(QRect(rect.left, rect.bottom - t, rect.Width(), t), colour_q);
  painter_.fillRect(QRect(rect.left, rect.top, t, rect.Height()), colour_q);
  painter_.fillRect(QRect(rect.right - t, rect.top, t, rect.Height()), colour_q);
}

void QtPaintContext::Edge(const Rect& rect, bool pressed) {
  qDrawWinPanel(&painter_, ToQRect(rect), QApplication::palette(), pressed);
}

void QtPaintContext::Line(int x0, int y0, int x1, int y1, Colour colour, int thickness) {
  painter_.setPen(QPen(ToQColor(colour), std::max(1, thickness)));
  painter_.drawLine(x0, y0, x1, y1);
}

void QtPaintContext::Ellipse(const Rect& rect, Colour fill, Colour outline) {
  painter_.setPen(ToQColor(outline));
  painter_.setBrush(ToQColor(fill));
  painter_.drawEllipse(QRect(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1));
  painter_.setBrush(Qt::NoBrush);
}

void QtPaintContext::SetFont(const FontSpec& font) { painter_.setFont(QFontFromSpec(font)); }

void QtPaintContext::SetTextColour(Colour colour) { text_colour_ = ToQColor(colour); }

Colour QtPaintContext::TextColour() const {
  return FromQColor(text_colour_);
}

void QtPaintContext::SetTextBackground(Colour colour) { text_background_ = ToQColor(colour); }

void QtPaintContext::SetTransparentText() { text_background_.reset(); }

void QtPaintContext::Text(int x, int y, const std::string& text) {
  const QString shown = ToQt(text);
  const QFontMetrics metrics = painter_.fontMetrics();
  if (text_background_) painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(shown), metrics.height()), *text_background_);
  painter_.setPen(text_colour_);
  painter_.drawText(x, y + metrics.ascent(), shown);
}

void QtPaintContext::TextIn(const Rect& rect, const std::string& text, TextAlign align) {
  const QString shown = ToQt(text);
  const QRect area = ToQRect(rect);
  int flags = Qt::AlignVCenter | Qt::TextSingleLine;
  flags |= align == TextAlign::centre ? Qt::AlignHCenter : align == TextAlign::right ? Qt::AlignRight : Qt::AlignLeft;
  painter_.save();
  painter_.setClipRect(area, Qt::IntersectClip);
  if (text_background_) painter_.fillRect(painter_.fontMetrics().boundingRect(area, flags, shown), *text_background_);
  painter_.setPen(text_colour_);
  painter_.drawText(area, flags, shown);
  painter_.restore();
}

TextSize QtPaintContext::Measure(const std::string& text) {
  const QFontMetrics metrics = painter_.fontMetrics();
  return {metrics.horizontalAdvance(ToQt(text)), metrics.height()};
}

void QtPaintContext::ButtonFrame(const Rect& rect, bool pushed, bool flat) {
  QStyleOptionButton option;
  option.rect = ToQRect(rect);
  option.palette = QApplication::palette();
  option.state = pushed ? QStyle::State_Sunken : QStyle::State_Raised;
  if (!flat) option.state |= QStyle::State_Enabled;
  painter_.save();
  QApplication::style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter_);
  painter_.restore();
}

void QtPaintContext::ScrollArrow(const Rect& rect, bool up, bool pushed, bool flat) {
  ButtonFrame(rect, pushed, flat);
  QStyleOption option;
  const int shift = pushed ? 1 : 0;
  const int inset = std::max(1, std::min(rect.Width(), rect.Height()) / 4);
  option.rect = ToQRect({rect.left + inset + shift, rect.top + inset + shift,
                         rect.right - inset + shift, rect.bottom - inset + shift});
  option.palette = QApplication::palette();
  option.state = flat ? QStyle::State_None : QStyle::State_Enabled;
  painter_.save();
  QApplication::style()->drawPrimitive(
      up ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &option, &painter_);
  painter_.restore();
}

}  // namespace ui::detail

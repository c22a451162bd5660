#include "ui/fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "ui/text.h"

namespace ui::detail {

namespace {

constexpr int normal_weight = 400;

double DotsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInchY() : 96.0;
}

int AverageCharWidth(const QFont& font) {
  static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return (QFontMetrics(font).horizontalAdvance(alphabet) + 26) / 52;
}

}  // namespace

QFont QFontFromSpec(const FontSpec& spec) {
  QFont font;
  if (spec.face.empty()) {
    font = spec.fixed_pitch ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QApplication::font();
  } else {
    font = QFont(ToQt(spec.face));
    if (spec.fixed_pitch) {
      font.setStyleHint(QFont::TypeWriter);
      font.setFixedPitch(true);
    }
  }
  if (spec.height < 0) {
    font.setPixelSize(-spec.height);
  } else if (spec.height > 0) {
    // A positive height is the whole cell: scale the character size to fit.
    font.setPixelSize(spec.height);
    const int cell = QFontMetrics(font).height();
    if (cell > spec.height) font.setPixelSize(std::max(1, spec.height * spec.height / cell));
  }
  font.setWeight(static_cast<QFont::Weight>(std::clamp(spec.weight > 0 ? spec.weight : normal_weight, 100, 900)));
  font.setItalic(spec.italic);
  font.setUnderline(spec.underline);
  font.setStrikeOut(spec.strike_out);
  if (spec.width > 0) {
    const int natural = AverageCharWidth(font);
    if (natural > 0) font.setStretch(std::clamp(100 * spec.width / natural, 1, 4000));
  }
  return font;
}

FontSpec SpecFromQFont(const QFont& font) {
  FontSpec spec;
  spec.face = FromQt(font.family());
  const int pixels = font.pixelSize() > 0 ? font.pixelSize()
                                          : static_cast<int>(std::lround(font.pointSizeF() * DotsPerInch() / 72.0));
  spec.height = -pixels;
  spec.weight = font.weight();
  spec.italic = font.italic();
  spec.underline = font.underline();
  spec.strike_out = font.strikeOut();
  spec.fixed_pitch = true;
  return spec;
}

}  // namespace ui::detail

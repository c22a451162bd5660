// FontSpec as a QFont and back.
#pragma once

#include <QFont>

#include "ui/paint.h"

namespace ui::detail {

QFont QFontFromSpec(const FontSpec& spec);
FontSpec SpecFromQFont(const QFont& font);

}  // namespace ui::detail

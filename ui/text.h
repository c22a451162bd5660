// Conversions between the console's 8-bit texts and colours and Qt's.
#pragma once

#include <QColor>
#include <QString>
#include <string>

#include "ui/window.h"

namespace ui::detail {

// Latin-1 both ways, so every byte of a device's text survives the trip.
inline QString ToQt(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string FromQt(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

inline QColor ToQColor(Colour colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}
inline Colour FromQColor(const QColor& colour) { return MakeColour(colour.red(), colour.green(), colour.blue()); }

// A caption as a label shows it: "&x" marks a mnemonic, "&&" is one ampersand.
QString WithoutMnemonics(const std::string& caption);

}  // namespace ui::detail

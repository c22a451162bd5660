#include "ui/text.h"

namespace ui::detail {

QString WithoutMnemonics(const std::string& caption) {
  std::string shown;
  for (std::size_t n = 0; n < caption.size(); ++n) {
    if (caption[n] == '&' && n + 1 < caption.size()) ++n;
    shown += caption[n];
  }
  return ToQt(shown);
}

}  // namespace ui::detail

#include "app/identity_entry.h"

#include <cctype>
#include <cstdio>
#include <limits>

#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

// The log file is named after part and serial: neither may lead out of the
// program directory.
bool LeadsElsewhere(const std::string& text) {
  return text.find('/') != std::string::npos || text.find('\\') != std::string::npos ||
         text.find("..") != std::string::npos;
}

bool Refuse(ui::Handle dialog, int id, const char* text, const char* caption, ui::Icon icon) {
  ui::FocusControl(dialog, id);
  ui::ShowMessage(dialog, text, caption, ui::Buttons::ok, icon);
  return false;
}

}  // namespace

bool ReadAddressField(ui::Handle dialog, int id, int* address) {
  *address = ParsePollAddress(ui::ControlText(dialog, id, address_chars));
  if (*address < 0) return Refuse(dialog, id, "Invalid poll address.", "Ummm...", ui::Icon::error);
  return true;
}

bool ReadPartField(ui::Handle dialog, int id, std::string* part) {
  *part = ui::ControlText(dialog, id, part_chars);
  if (part->size() != 12) {
    return Refuse(dialog, id, "Part Number must be 12 digits long.", "Oops", ui::Icon::none);
  }
  if (LeadsElsewhere(*part)) {
    return Refuse(dialog, id, "Part Number may not contain \"/\", \"\\\" or \"..\".", "Oops",
                  ui::Icon::none);
  }
  return true;
}

bool ReadSerialField(ui::Handle dialog, int id, std::string* serial) {
  *serial = ui::ControlText(dialog, id, serial_chars);
  if (serial->size() > 5) {
    return Refuse(dialog, id, "Serial Number must be 5 digits or less.", "Oops", ui::Icon::none);
  }
  if (LeadsElsewhere(*serial)) {
    return Refuse(dialog, id, "Serial Number may not contain \"/\", \"\\\" or \"..\".", "Oops",
                  ui::Icon::none);
  }
  return true;
}

std::int32_t ReadHoursField(ui::Handle dialog, int id) {
  const std::string text = ui::ControlText(dialog, id);
  std::size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  const bool negative = at < text.size() && text[at] == '-';
  if (negative || (at < text.size() && text[at] == '+')) ++at;
  long long value = 0;
  constexpr long long limit = std::numeric_limits<std::int32_t>::max();
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > limit) value = limit;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::string ReadCommentsField(ui::Handle dialog, int id) {
  return ui::ControlText(dialog, id, comments_chars);
}

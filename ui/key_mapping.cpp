#include "ui/key_mapping.h"

#include "ui/keys.h"

namespace ui::detail {

namespace {

struct KeyPair {
  int qt_key;
  int virtual_key;
};

// Keys whose code does not depend on the keypad. The shifted symbols of the
// US layout give the code of the key that types them.
constexpr KeyPair plain_keys[] = {
    {Qt::Key_Backspace, vk_back},     {Qt::Key_Tab, vk_tab},           {Qt::Key_Backtab, vk_tab},
    {Qt::Key_Clear, vk_clear},        {Qt::Key_Return, vk_return},     {Qt::Key_Enter, vk_return},
    {Qt::Key_Shift, vk_shift},        {Qt::Key_Control, vk_control},   {Qt::Key_Alt, vk_menu},
    {Qt::Key_Escape, vk_escape},      {Qt::Key_Space, vk_space},       {Qt::Key_PageUp, vk_prior},
    {Qt::Key_PageDown, vk_next},      {Qt::Key_End, vk_end},           {Qt::Key_Home, vk_home},
    {Qt::Key_Left, vk_left},          {Qt::Key_Up, vk_up},             {Qt::Key_Right, vk_right},
    {Qt::Key_Down, vk_down},          {Qt::Key_Insert, vk_insert},     {Qt::Key_Delete, vk_delete},
    {Qt::Key_Equal, vk_oem_plus},     {Qt::Key_Plus, vk_oem_plus},    {Qt::Key_Comma, vk_oem_comma},
    {Qt::Key_Less, vk_oem_comma},     {Qt::Key_Minus, vk_oem_minus},   {Qt::Key_Underscore, vk_oem_minus},
    {Qt::Key_Period, vk_oem_period},  {Qt::Key_Greater, vk_oem_period}, {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},             {Qt::Key_Slash, 191},            {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192},         {Qt::Key_AsciiTilde, 192},       {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},         {Qt::Key_Backslash, 220},        {Qt::Key_Bar, 220},
    {Qt::Key_BracketRight, 221},      {Qt::Key_BraceRight, 221},       {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},          {Qt::Key_Exclam, '1'},           {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},        {Qt::Key_Dollar, '4'},           {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},       {Qt::Key_Ampersand, '7'},        {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},         {Qt::Key_ParenRight, '0'},
};

constexpr KeyPair keypad_keys[] = {
    {Qt::Key_Period, vk_decimal},  {Qt::Key_Comma, vk_decimal}, {Qt::Key_Plus, vk_add},
    {Qt::Key_Minus, vk_subtract},  {Qt::Key_Asterisk, vk_multiply}, {Qt::Key_Slash, vk_divide},
};

template <std::size_t n>
int Lookup(const KeyPair (&table)[n], int qt_key) {
  for (const KeyPair& pair : table)
    if (pair.qt_key == qt_key) return pair.virtual_key;
  return 0;
}

}  // namespace

int VirtualKeyFromQt(int qt_key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier) {
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return vk_numpad0 + (qt_key - Qt::Key_0);
    if (const int keypad = Lookup(keypad_keys, qt_key)) return keypad;
  }
  // Letters and digits have their ASCII codes in both schemes.
  if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) || (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)) return qt_key;
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F12) return vk_f1 + (qt_key - Qt::Key_F1);
  return Lookup(plain_keys, qt_key);
}

int CharacterOf(int qt_key, const QString& text) {
  switch (qt_key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return '\t';
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return '\r';
    case Qt::Key_Backspace:
      return '\b';
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Delete:
      return 0;
    default:
      break;
  }
  if (text.isEmpty()) return 0;
  const char16_t character = text.at(0).unicode();
  return character > 0 && character < 256 ? character : 0;
}

QtKeyStroke QtKeyFromVirtualKey(int virtual_key, bool shift_held) {
  QtKeyStroke stroke;
  if (shift_held) stroke.modifiers |= Qt::ShiftModifier;
  if (virtual_key >= vk_numpad0 && virtual_key <= vk_numpad0 + 9) {
    stroke.key = Qt::Key_0 + (virtual_key - vk_numpad0);
    stroke.modifiers |= Qt::KeypadModifier;
    stroke.text = QString(QChar('0' + (virtual_key - vk_numpad0)));
    return stroke;
  }
  for (const KeyPair& pair : keypad_keys) {
    if (pair.virtual_key == virtual_key) {
      stroke.key = pair.qt_key;
      stroke.modifiers |= Qt::KeypadModifier;
      stroke.text = QString(QChar(pair.qt_key));
      return stroke;
    }
  }
  if (virtual_key >= vk_a && virtual_key <= 'Z') {
    stroke.key = virtual_key;
    stroke.text = QString(QChar(shift_held ? virtual_key : virtual_key - 'A' + 'a'));
    return stroke;
  }
  if (virtual_key >= vk_0 && virtual_key <= '9') {
    stroke.key = virtual_key;
    stroke.text = QString(QChar(virtual_key));
    return stroke;
  }
  if (virtual_key >= vk_f1 && virtual_key < vk_f1 + 12) {
    stroke.key = Qt::Key_F1 + (virtual_key - vk_f1);
    return stroke;
  }
  // The first Qt key of the table for each code is its unshifted key.
  for (const KeyPair& pair : plain_keys) {
    if (pair.virtual_key != virtual_key) continue;
    stroke.key = virtual_key == vk_tab && shift_held ? Qt::Key_Backtab : pair.qt_key;
    const int character = CharacterOf(pair.qt_key, QString());
    if (character) {
      stroke.text = QString(QChar(character));
    } else if (pair.qt_key >= Qt::Key_Space && pair.qt_key <= Qt::Key_AsciiTilde) {
      stroke.text = QString(QChar(pair.qt_key));
    }
    if (virtual_key == vk_shift) stroke.modifiers |= Qt::ShiftModifier;
    if (virtual_key == vk_control) stroke.modifiers |= Qt::ControlModifier;
    if (virtual_key == vk_menu) stroke.modifiers |= Qt::AltModifier;
    return stroke;
  }
  return stroke;
}

}  // namespace ui::detail

#include <gtest/gtest.h>

#include "ui/key_mapping.h"
#include "ui/keys.h"

namespace {

using ui::detail::CharacterOf;
using ui::detail::QtKeyFromVirtualKey;
using ui::detail::VirtualKeyFromQt;

struct Mapping {
  int qt_key;
  Qt::KeyboardModifiers modifiers;
  int virtual_key;
};

constexpr Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
constexpr Qt::KeyboardModifiers none = Qt::NoModifier;

TEST(KeyMapping, KeysThePanelsForwardHaveTheirDesktopCodes) {
  const Mapping table[] = {
      {Qt::Key_0, keypad, 96},         {Qt::Key_5, keypad, 101},      {Qt::Key_9, keypad, 105},
      {Qt::Key_Period, keypad, 110},   {Qt::Key_Comma, keypad, 110},  {Qt::Key_Plus, keypad, 107},
      {Qt::Key_Minus, keypad, 109},    {Qt::Key_Asterisk, keypad, 106}, {Qt::Key_Slash, keypad, 111},
      {Qt::Key_Enter, keypad, 13},     {Qt::Key_Return, none, 13},    {Qt::Key_F1, none, 112},
      {Qt::Key_F4, none, 115},         {Qt::Key_F9, none, 120},       {Qt::Key_F12, none, 123},
      {Qt::Key_PageUp, none, 33},      {Qt::Key_PageDown, none, 34},  {Qt::Key_End, none, 35},
      {Qt::Key_Home, none, 36},        {Qt::Key_Left, none, 37},      {Qt::Key_Up, none, 38},
      {Qt::Key_Right, none, 39},       {Qt::Key_Down, none, 40},      {Qt::Key_Tab, none, 9},
      {Qt::Key_Backtab, Qt::ShiftModifier, 9}, {Qt::Key_Backspace, none, 8}, {Qt::Key_Escape, none, 27},
      {Qt::Key_Shift, none, 16},       {Qt::Key_Control, none, 17},   {Qt::Key_Alt, none, 18},
      {Qt::Key_A, none, 65},           {Qt::Key_Z, none, 90},         {Qt::Key_0, none, 48},
      {Qt::Key_7, none, 55},           {Qt::Key_Plus, none, 187},     {Qt::Key_Equal, none, 187},
      {Qt::Key_Minus, none, 189},      {Qt::Key_Comma, none, 188},    {Qt::Key_Period, none, 190},
      {Qt::Key_Less, none, 188},       {Qt::Key_Greater, none, 190},  {Qt::Key_Up, keypad, 38},
  };
  for (const Mapping& mapping : table) {
    EXPECT_EQ(VirtualKeyFromQt(mapping.qt_key, mapping.modifiers), mapping.virtual_key)
        << "Qt key 0x" << std::hex << mapping.qt_key;
  }
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_unknown, none), 0);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_MediaPlay, none), 0);
}

TEST(KeyMapping, KeysThatTypeGiveTheirCharacters) {
  EXPECT_EQ(CharacterOf(Qt::Key_Tab, QString()), 9);
  EXPECT_EQ(CharacterOf(Qt::Key_Backtab, QString()), 9);
  EXPECT_EQ(CharacterOf(Qt::Key_Enter, QString()), 13);
  EXPECT_EQ(CharacterOf(Qt::Key_Backspace, QString()), 8);
  EXPECT_EQ(CharacterOf(Qt::Key_Escape, QString()), 27);
  EXPECT_EQ(CharacterOf(Qt::Key_A, QStringLiteral("a")), 'a');
  EXPECT_EQ(CharacterOf(Qt::Key_F1, QString()), 0);
  EXPECT_EQ(CharacterOf(Qt::Key_Delete, QStringLiteral("\x7f")), 0);
  EXPECT_EQ(CharacterOf(0, QString(QChar(0xE9))), 0xE9);
  EXPECT_EQ(CharacterOf(0, QString(QChar(0x20AC))), 0);  // no Latin-1 code for the euro sign
}

TEST(KeyMapping, EveryMappedVirtualKeyComesBackFromItsQtKey) {
  for (int virtual_key = 1; virtual_key < 256; ++virtual_key) {
    const ui::detail::QtKeyStroke stroke = QtKeyFromVirtualKey(virtual_key, false);
    if (!stroke.key) continue;
    EXPECT_EQ(VirtualKeyFromQt(stroke.key, stroke.modifiers), virtual_key) << "virtual key " << virtual_key;
  }
  EXPECT_EQ(QtKeyFromVirtualKey(ui::vk_numpad0 + 3, false).text, QStringLiteral("3"));
  EXPECT_EQ(QtKeyFromVirtualKey('Q', false).text, QStringLiteral("q"));
  EXPECT_EQ(QtKeyFromVirtualKey(ui::vk_tab, true).key, Qt::Key_Backtab);
}

TEST(KeyMapping, CharactersFindTheKeysThatTypeThem) {
  EXPECT_EQ(ui::VirtualKeyOfCharacter('<'), 188);
  EXPECT_EQ(ui::VirtualKeyOfCharacter('>'), 190);
  EXPECT_EQ(ui::VirtualKeyOfCharacter('a'), 'A');
  EXPECT_EQ(ui::VirtualKeyOfCharacter('7'), '7');
  EXPECT_EQ(ui::VirtualKeyOfCharacter('+'), 187);
  EXPECT_EQ(ui::VirtualKeyOfCharacter('\xE9'), 0);
}

}  // namespace

// Menus as data (resources/) and their state at run time. Choosing an item
// sends msg_command with MakeCommand(id, notify_clicked) to the window.
#pragma once

#include <string>
#include <vector>

#include "ui/window.h"

namespace ui {

struct MenuItem {
  enum class Kind { item, popup, separator };
  Kind kind = Kind::item;
  std::string caption;  // "&" marks the mnemonic
  int id = 0;
  std::vector<MenuItem> items;  // popup only
  bool greyed = false;          // initial state
};

struct MenuTemplate {
  int number = 0;
  std::vector<MenuItem> items;  // the bar
};

// Makes the registry of menu resources known; a class with menu n uses it.
void RegisterMenu(const MenuTemplate& menu);
void SetMenuItemEnabled(Handle window, int id, bool enabled);
bool IsMenuItemEnabled(Handle window, int id);
// A check mark beside the item; an item shows none until it is first set.
void SetMenuItemChecked(Handle window, int id, bool checked);
bool IsMenuItemChecked(Handle window, int id);
// Acts as if the operator chose the item (a greyed item does nothing, as on screen).
bool ChooseMenuItem(Handle window, int id);
// The captions of the bar and every item, in order, for checks and the screenshots.
std::vector<MenuItem> MenuOf(Handle window);

}  // namespace ui

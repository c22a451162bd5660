#pragma once

#include "ui/menu.h"

constexpr int main_menu_resource = 1;

// The main window's menu bar.
const ui::MenuTemplate& MainMenu();

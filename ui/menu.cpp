// Menu resources and the menu bars made from them, one per window.
#include "ui/menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <map>

#include "ui/menu_bar.h"
#include "ui/registry.h"
#include "ui/text.h"

namespace ui::detail {

namespace {

std::map<int, MenuTemplate>& Menus() {
  static std::map<int, MenuTemplate> menus;
  return menus;
}

// The operator's choice arrives as a posted command, after the menu has closed.
void AddItems(QWidget* menu, const std::vector<MenuItem>& items, WindowRecord& record) {
  const Handle window = record.handle;
  for (const MenuItem& item : items) {
    switch (item.kind) {
      case MenuItem::Kind::separator: {
        auto* separator = new QAction(menu);
        separator->setSeparator(true);
        menu->addAction(separator);
        break;
      }
      case MenuItem::Kind::popup: {
        auto* popup = new QMenu(ToQt(item.caption), menu);
        popup->menuAction()->setEnabled(!item.greyed);
        AddItems(popup, item.items, record);
        menu->addAction(popup->menuAction());
        break;
      }
      case MenuItem::Kind::item: {
        auto* action = new QAction(ToQt(item.caption), menu);
        action->setEnabled(!item.greyed);
        const int id = item.id;
        QObject::connect(action, &QAction::triggered, action,
                         [window, id] { Post(window, msg_command, MakeCommand(id, notify_clicked)); });
        menu->addAction(action);
        record.menu_actions[id] = action;
        break;
      }
    }
  }
}

QAction* ActionOf(Handle window, int id) {
  const WindowRecord* record = Find(window);
  if (!record) return nullptr;
  const auto found = record->menu_actions.find(id);
  return found == record->menu_actions.end() ? nullptr : found->second;
}

std::vector<MenuItem> WithCurrentState(std::vector<MenuItem> items, Handle window) {
  for (MenuItem& item : items) {
    if (item.kind == MenuItem::Kind::item) {
      if (const QAction* action = ActionOf(window, item.id)) item.greyed = !action->isEnabled();
    } else if (item.kind == MenuItem::Kind::popup) {
      item.items = WithCurrentState(std::move(item.items), window);
    }
  }
  return items;
}

}  // namespace

QMenuBar* BuildMenuBar(WindowRecord& record, QWidget* parent) {
  const auto found = Menus().find(record.menu);
  if (record.menu == 0 || found == Menus().end()) return nullptr;
  auto* bar = new QMenuBar(parent);
  // The bar stays inside the window on every platform, as the layout expects.
  bar->setNativeMenuBar(false);
  AddItems(bar, found->second.items, record);
  return bar;
}

}  // namespace ui::detail

namespace ui {

using namespace detail;

void RegisterMenu(const MenuTemplate& menu) { Menus()[menu.number] = menu; }

void SetMenuItemEnabled(Handle window, int id, bool enabled) {
  if (QAction* action = ActionOf(window, id)) action->setEnabled(enabled);
}

bool IsMenuItemEnabled(Handle window, int id) {
  const QAction* action = ActionOf(window, id);
  return action && action->isEnabled();
}

void SetMenuItemChecked(Handle window, int id, bool checked) {
  if (QAction* action = ActionOf(window, id)) {
    action->setCheckable(true);
    action->setChecked(checked);
  }
}

bool IsMenuItemChecked(Handle window, int id) {
  const QAction* action = ActionOf(window, id);
  return action && action->isChecked();
}

bool ChooseMenuItem(Handle window, int id) {
  QAction* action = ActionOf(window, id);
  if (!action || !action->isEnabled()) return false;
  action->trigger();
  return true;
}

std::vector<MenuItem> MenuOf(Handle window) {
  const WindowRecord* record = Find(window);
  if (!record) return {};
  const auto found = Menus().find(record->menu);
  if (record->menu == 0 || found == Menus().end()) return {};
  return WithCurrentState(found->second.items, window);
}

}  // namespace ui

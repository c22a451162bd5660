#include "ui/system_menu.h"

#include <QAction>

#include "ui/registry.h"
#include "ui/text.h"

namespace ui {

void AddSystemMenuItem(Handle window, int id, const std::string& caption) {
  detail::WindowRecord* record = detail::Find(window);
  if (!record || !record->frame) return;
  QWidget* frame = record->frame;
  auto* action = new QAction(detail::ToQt(caption), frame);
  QObject::connect(action, &QAction::triggered, action,
                   [window, id] { Post(window, msg_command, MakeCommand(id, notify_clicked)); });
  frame->addAction(action);
  frame->setContextMenuPolicy(Qt::ActionsContextMenu);
  record->menu_actions[id] = action;
}

}  // namespace ui

#include "ui/system_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

#include "ui/menu.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"
#include "ui_test_support.h"

namespace {

using namespace ui;

TEST(SystemMenu, ARightClickOffersTheItemsAndChoosingOneCommandsTheWindow) {
  ui_test::Log().clear();
  ui_test::RegisterRecorder("SystemMenuRecorder");
  ScriptedOperator op;
  const Handle window = CreateWindowOf(
      "SystemMenuRecorder", "Panel",
      style_popup | style_caption | style_system_menu | style_visible, 0, 0, 300, 200, no_window);
  AddSystemMenuItem(window, 404, "&Trends\tCtrl+T");

  QStringList offered;
  QTimer::singleShot(0, [&offered] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (QAction* action : menu->actions()) offered << action->text();
      menu->close();
    }
  });
  QWidget* client = detail::Find(window)->client;
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10),
                          client->mapToGlobal(QPoint(10, 10)));
  QApplication::sendEvent(client, &click);
  EXPECT_EQ(offered, QStringList{"&Trends\tCtrl+T"});

  EXPECT_TRUE(ChooseMenuItem(window, 404));
  ScriptedOperator::RunFor(20);
  EXPECT_EQ(ui_test::CommandsOf(window), std::vector<WordParam>{MakeCommand(404, notify_clicked)});
  Destroy(window);
}

}  // namespace

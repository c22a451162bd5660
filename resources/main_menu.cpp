#include "resources/main_menu.h"

#include "resources/menu_ids.h"

namespace {

using Kind = ui::MenuItem::Kind;

ui::MenuItem Item(const char* caption, int id) { return {Kind::item, caption, id, {}, false}; }
ui::MenuItem Separator() { return {Kind::separator, "", 0, {}, false}; }
ui::MenuItem Popup(const char* caption, std::vector<ui::MenuItem> items) {
  return {Kind::popup, caption, 0, std::move(items), false};
}

}  // namespace

const ui::MenuTemplate& MainMenu() {
  static const ui::MenuTemplate menu{
      main_menu_resource,
      {
          Popup("&Options",
                {
                    Item("&Poll Amplifier", menu_poll_amplifier),
                    Item("Poll &Outdoor Controller", menu_poll_outdoor_controller),
                    Separator(),
                    Item("Configure &Local Comm", menu_configure_local_comm),
                    Item("Configure &Device Serial Port", menu_configure_device_port),
                    Item("Configure &Corvane", menu_configure_corvane),
                    Separator(),
                    Popup("&Firmware Configuration",
                          {
                              Item("&Edit", menu_edit_configuration),
                              Item("&Get", menu_get_configuration),
                              Item("&Send", menu_send_configuration),
                          }),
                    Item("&Update Firmware", menu_update_firmware),
                    Separator(),
                    Item("&Events\tCtrl+E", menu_events),
                    Separator(),
                    Item("E&xit", menu_exit),
                }),
          Popup("&Version", {Item("v2.41 (2014, Aug 11)", menu_version)}),
      }};
  return menu;
}

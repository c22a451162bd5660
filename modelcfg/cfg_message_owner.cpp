#include "modelcfg/cfg_message_owner.h"

ui::Handle CfgMessageOwner() {
  return ui::no_window;
}

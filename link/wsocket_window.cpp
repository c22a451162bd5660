#include "link/wsocket_window.h"

#include <cstdint>

#include "link/serial_defaults.h"
#include "link/wsocket.h"
#include "platform/link_clock.h"
#include "records/program_state.h"
#include "resources/connecting_dialog.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

// How often the connecting box wakes its wait when no other message comes.
constexpr int connect_check_ms = 10;

ui::Handle (*panel_opener)(int address) = nullptr;

ui::Result ConnectingCallBack(ui::Handle, unsigned message, ui::WordParam, ui::LongParam) {
  return message == ui::msg_init_dialog ? 1 : 0;
}

void ReportConnectFailure(ui::Handle parent_win) {
  if (parent_win) {
    ui::ShowMessage(parent_win, "Can't connect.", "No Device Found", ui::Buttons::ok,
                    ui::Icon::error);
  }
}

}  // namespace

void SetSocketPanelOpener(ui::Handle (*open_panel)(int address)) {
  panel_opener = open_panel;
}

int OpenSocketComm(ui::Handle parent_win, int device) {
  if (!InitSocketDriver()) return -1;
  int result = -1;
  device = StartSocketConnect(device, &result);
  if (device < 0) {
    ReportConnectFailure(parent_win);
    return -1;
  }
  // A connect started from the wait below leaves the outer one busy.
  const int was_busy = application_busy;
  application_busy = 1;
  ui::Handle box = ui::CreateModeless(ConnectingDialogTemplate(), parent_win, ConnectingCallBack);
  if (box) ui::StartTimer(box, 1, connect_check_ms);
  const std::uint32_t start = GetStartTimer();
  bool quitting = false;
  while (result == 0 && !PastTime(socket_connect_timeout, start)) {
    result = SocketConnectResult(device);
    if (result != 0) break;
    if (!box) {
      // Without the box's timer nothing is sure to wake the loop.
      ui::RunFor(connect_check_ms);
    } else if (!ui::ProcessNextMessage()) {
      quitting = true;
      break;
    }
  }
  application_busy = was_busy;
  if (ui::IsLive(box)) ui::Destroy(box);
  FinishSocketConnect(device, !quitting && result == 1);
  if (quitting) {
    ui::PostQuit(1);
    return -1;
  }
  if (result != 1) {
    ReportConnectFailure(parent_win);
    return -1;
  }
  if (parent_win && panel_opener) panel_opener(device);
  SaveSerialDefaults();
  return device;
}

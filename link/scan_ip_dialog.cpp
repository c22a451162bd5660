#include "link/scan_ip_dialog.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config/settings.h"
#include "link/discovery.h"
#include "link/link_settings.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/scan_ip_dialog.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

constexpr int address_limit = 19;

std::string Dotted(std::uint32_t ipaddress) {
  in_addr address{};
  address.s_addr = ipaddress;
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

std::string TitleForAction() {
  switch (ethernet_action) {
    case ETHERNET_DOWNLOAD:
      return std::string("Send Firmware: ") + firmware_filename;
    case ETHERNET_GETMODEL:
      return "Retrieve model.cfg";
    case ETHERNET_SENDMODEL:
      return "Send model.cfg";
    case ETHERNET_EDITMODEL:
      return "Edit model.cfg";
    case ETHERNET_DEFAULT:
      break;
  }
  return "";
}

void ShowSocketError(const char* explanation) {
  ui::ShowMessage(main_window, explanation, "Error", ui::Buttons::ok, ui::Icon::none);
}

void Connect(ui::Handle dialog) {
  CopyField(default_ipaddress, ui::ControlText(dialog, id_scan_address, address_limit).c_str());
  ui::FinishDialog(dialog, 1);
  use_device = OpenSocketComm(ethernet_action == ETHERNET_DEFAULT ? dialog : ui::no_window, 0);
}

}  // namespace

void ResetFoundIpList(ui::Handle dialog) {
  ui::ClearTree(dialog, id_scan_devices);
}

void AppendIpList(ui::Handle dialog, std::uint32_t ipaddress, const char* description) {
  const std::string shown(description, strnlen(description, description_limit));
  const std::string text = ipaddress ? Dotted(ipaddress) + " ... " + shown : shown;
  ui::AddTreeItem(dialog, id_scan_devices, 0, text, static_cast<ui::LongParam>(ipaddress));
}

void FindEthernetDevices(ui::Handle parent_win) {
  if (!InitSocketDriver()) return;
  if (!OpenDiscoverySocket()) {
    ShowSocketError(SocketError2String());
    return;
  }
  const int sent = SendDiscoveryRequest();
  if (sent < 0) {
    const std::string text =
        std::string("CORVANE_DISCOVERY_ADDRESS is not an address: ") + DiscoveryOverrideText();
    ShowSocketError(text.c_str());
  } else if (!sent) {
    ShowSocketError(SocketError2String());
  }
  ResetFoundIpList(parent_win);
  int found = 0;
  for (;;) {
    std::uint32_t source = 0;
    const int length = ReadDiscoveryReply(&source);
    if (length < 0) {
      const char* explanation = SocketError2String();
      if (*explanation) ShowSocketError(explanation);
      break;
    }
    if (length == 0) break;
    const int described = ReplyDescriptionLength(length);
    const std::string description(udp_info.data, static_cast<std::size_t>(described));
    AppendIpList(parent_win, source, description.c_str());
    ++found;
  }
  if (!found) {
    CopyField(udp_info.data, "(No Devices Found)");
    AppendIpList(parent_win, 0, udp_info.data);
  }
  CloseDiscoverySocket();
}

void InitIpDialog(ui::Handle dialog, ui::LongParam l) {
  const std::string address =
      l ? Dotted(static_cast<std::uint32_t>(l)) : std::string(default_ipaddress);
  ui::SetControlText(dialog, id_scan_address, address);
  const std::string title = TitleForAction();
  if (!title.empty()) ui::SetTitle(dialog, title);
  ui::FocusControl(dialog, ui::id_ok);
}

void GetIpNotifyHandler(ui::Handle dialog, ui::WordParam word) {
  switch (ui::CommandNotification(word)) {
    case ui::notify_selection_change: {
      const ui::TreeItem item = ui::SelectedTreeItem(dialog, id_scan_devices);
      const ui::LongParam value = ui::TreeItemValue(dialog, id_scan_devices, item);
      if (value) InitIpDialog(dialog, value);
      break;
    }
    case ui::notify_key_down:
      InitIpDialog(dialog, 0);
      break;
    default:
      break;
  }
}

ui::Result GetIpCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      InitIpDialog(dialog, 0);
      FindEthernetDevices(dialog);
      return 0;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case id_scan_search:
          FindEthernetDevices(dialog);
          return 1;
        case ui::id_ok:
          Connect(dialog);
          return 1;
        case ui::id_cancel:
          ui::FinishDialog(dialog, 0);
          return 1;
        case id_scan_devices:
          GetIpNotifyHandler(dialog, word);
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

int RunScanIpDialog(ui::Handle owner) {
  return static_cast<int>(ui::RunModal(ScanIpDialogTemplate(), owner, GetIpCallBack));
}

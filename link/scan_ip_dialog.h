// "Find IP Address": searches the network, lists the devices that answered,
// and connects to the address picked or typed.
#pragma once

#include <cstdint>

#include "ui/window.h"

constexpr int description_limit = 79;

// Broadcasts the request and refills the list in parent_win's tree.
void FindEthernetDevices(ui::Handle parent_win);
void ResetFoundIpList(ui::Handle dialog);
// ipaddress in network order; with 0 the line is the description alone.
void AppendIpList(ui::Handle dialog, std::uint32_t ipaddress, const char* description);
// Puts lParam's dotted address (default_ipaddress when 0) into the field,
// the title by ethernet_action, and the focus on "Connect".
void InitIpDialog(ui::Handle dialog, ui::LongParam l);
// The tree's notifications (the command word).
void GetIpNotifyHandler(ui::Handle dialog, ui::WordParam word);
// Ends with 1 after "Connect" (the slot connected, or -1, is in use_device)
// and 0 when cancelled.
ui::Result GetIpCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam l);
// Runs the dialog modally over owner; its result.
int RunScanIpDialog(ui::Handle owner);

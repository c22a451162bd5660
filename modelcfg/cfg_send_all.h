// Replacing the device's whole Model.cfg, and fetching it through the
// service console.
#pragma once

#include "modelcfg/cfg_upload.h"

// Over serial, after the operator confirmed: the transfer dialog in send mode.
void SendConfigViaXmodem();
// Over Ethernet: the upload to the device's port 2003 and the reboot.
void SendAllConfigViaEthernet();
// Fetches the file through the service console into the table.
void GetConfigViaXmodem();
// After a whole-file send: every pending pick counts as sent.
void FlagCfgUnconfirmedSent();

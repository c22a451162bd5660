// The transfer dialog: made modeless, it hosts the service console sequence
// and drives it from its timer.
#pragma once

#include "ui/window.h"

class sequence_host;

extern ui::Handle transfer_dialog;

sequence_host& DialogSequenceHost();
// The dialog, made modeless over owner; parameter is the address character
// followed by 'G' (get) or 'S' (send). Replaces a dialog that is still open.
ui::Handle OpenTransferDialog(ui::Handle owner, const char* parameter);
ui::Result CfgXmodemCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                             ui::LongParam l);

// "ConnectingDialog": the small modeless box shown while a TCP connection is
// being made.
#pragma once

#include "ui/dialog.h"

enum : int { id_connecting_text = 101 };

const ui::DialogTemplate& ConnectingDialogTemplate();

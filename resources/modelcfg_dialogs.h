// Dialog templates of the configuration editor and the configuration file
// transfers, with the ids their procedures address.
#pragma once

#include "ui/dialog.h"

// "Enter New Value" (template 18): one line of text.
enum : int { id_entry_text = 101 };
const ui::DialogTemplate& TextEntryDialogTemplate();

// "Load Configuration From File" (template 17): by document number or by browsing.
enum : int {
  id_load_number = 101,
  id_load_browse = 102,
};
const ui::DialogTemplate& LoadConfigDialogTemplate();

// "Get Configuration" (template 10): the transfer dialog, titled by its use
// ("Get Configuration" or "Send Configuration").
enum : int {
  id_transfer_address = 102,
  id_transfer_status = 201,
};
const ui::DialogTemplate& TransferDialogTemplate();

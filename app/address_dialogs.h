// The dialogs that open panels by poll address: "Poll Amplifier" (also for
// outdoor controllers) and, with log features on, "Enter Amplifier
// Information", which also takes the identity and opens the status log.
#pragma once

#include "records/device_records.h"
#include "ui/window.h"

// The creation parameter is the device kind (twta_device or ocontrol_device).
ui::Result GetAddressCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                              ui::LongParam l);
ui::Result GetAddressPlusCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                  ui::LongParam l);

void RunPollAddressDialog(ui::Handle owner, device_enum kind);
void RunAmpInformationDialog(ui::Handle owner);

// Dialog templates of the device dialogs.
#pragma once

#include "ui/dialog.h"

// "Poll Amplifier" (template 2), also used for outdoor controllers.
const ui::DialogTemplate& PollAddressDialogTemplate();
// "Enter Amplifier Information" (template 7).
const ui::DialogTemplate& AmpInformationDialogTemplate();
// "Amplifier Options" (template 5).
const ui::DialogTemplate& AmpOptionsDialogTemplate();
// "Corvane Configuration" (template 6).
const ui::DialogTemplate& ConfigurationDialogTemplate();
// "Frequency Offsets" (template 14).
const ui::DialogTemplate& FrequencyDialogTemplate();

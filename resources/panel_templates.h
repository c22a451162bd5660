// Dialog templates of the device panels. Each names its window class, so a
// panel made from it is handled by that class's procedure.
#pragma once

#include "ui/dialog.h"

constexpr const char* amp_panel_class = "AmpDialogClass";
constexpr const char* amp_frequency_panel_class = "AmpDialogClassFrequency";
constexpr const char* ocontrol_panel_class = "OcontrolDialogClass";
constexpr const char* mini_ocontrol_panel_class = "MiniOcontrolDialogClass";

// Amplifier panel (template 1).
const ui::DialogTemplate& AmpPanelTemplate();
// Amplifier panel with the frequency button and offset (template 13).
const ui::DialogTemplate& AmpFrequencyPanelTemplate();
// Outdoor controller panel (template 8).
const ui::DialogTemplate& OcontrolPanelTemplate();
// The same controls closer together, for narrow screens (template 11).
const ui::DialogTemplate& MiniOcontrolPanelTemplate();

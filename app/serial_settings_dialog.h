// "Serial Port Configuration": the local port and its line format, or the
// Ethernet address, saved in sdefault.txt.
#pragma once

#include "ui/window.h"

ui::Result GetSerialCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam l);
// Fills the controls from the settings and enables the serial or the Ethernet half.
void InitCommDialog(ui::Handle dialog);
// Runs the dialog modally over owner.
void RunSerialSettingsDialog(ui::Handle owner);

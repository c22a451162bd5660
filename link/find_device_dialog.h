// "Find/Configure Device": the ranges the bus scan tries and the settings the
// device setup gives a device; starts either.
#pragma once

#include "ui/window.h"

void ExtractAddressRange(ui::Handle dialog);
void ExtractTargetAddress(ui::Handle dialog);
// A group with no box ticked scans with 9600 baud, no parity, 8 data bits,
// 1 stop bit.
void ExtractScanCheckBoxes(ui::Handle dialog);
void ExtractTargetCheckBoxes(ui::Handle dialog);
void InitScanSerCheckBoxes(ui::Handle dialog);
void InitScanTargetCheckBoxes(ui::Handle dialog);
ui::Result ScanSerialCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                              ui::LongParam l);
void RunFindDeviceDialog(ui::Handle owner);

// Printed reports: an amplifier's status log followed by the fault log fetched
// from it, and the device configuration shown in the editor. Every report is
// one text line per printed line on the device's pages.
#pragma once

#include <cstdio>

#include "ui/printing.h"
#include "ui/window.h"

// The longest fault log printed, and the bytes of one record (the first 20 printed).
constexpr int fault_log_size = 2000;
constexpr int fault_record_size = 21;

// Prints the status log and the fault log of the amplifier at device; window
// owns the dialogs and messages. Logging goes on afterwards if it did before.
void PrintLog(ui::Handle window, int device);
// Fetches the fault log into string (fault_log_size bytes): its length, 0
// when the amplifier has none, -1 when it did not answer (already shown).
int GetFaultLog(ui::Handle window, int device, char* string);
// The sections, each from a new page; false when the device refused a page.
bool PrintLogFile(ui::PrintDevice& hdc, std::FILE* hfile, int device);
bool PrintFaultLog(ui::PrintDevice& hdc, const char* log_string, int len, int device);

// Prints the configuration shown in the editor: the file last fetched while
// the Print button is green and the file is there, else the editor's lines.
void PrintModelCfgPopup();
// The section from the open file at transfer_filepath, from where it stands.
bool PrintModelCfgFile(ui::PrintDevice& hdc, std::FILE* file);
bool PrintModelCfgData(ui::PrintDevice& hdc);

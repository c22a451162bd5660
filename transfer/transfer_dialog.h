// What the service console sequence needs from its dialog.
#pragma once

#include <string>

// Starts the dialog's tick and the watch on the serial port, unless running.
void StartSequenceDrivers();
// The dialog's status line (control 201); empty without a dialog.
std::string TransferStatusText();
void ShowTransferStatus(const std::string& text);
// A final step came: the wait cursor goes, and a completed sequence turns
// Cancel into Close.
void SequenceEnded(bool completed);

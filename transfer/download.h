// The firmware download: the operator picks a firmware file and a device, and
// the "Replace Firmware" dialog sends the file in numbered chunks of 100
// bytes, over serial at download_baud or over the device's TCP connection.
#pragma once

#include "ui/window.h"

// The dialog's own messages.
constexpr unsigned msg_next_chunk = ui::msg_user + 1;
constexpr unsigned msg_finish_download = ui::msg_user + 2;

// The whole operation, from the menu; returns when the dialog has closed or
// the download was abandoned. Polling is off meanwhile.
void DownloadCode();
// Fills filename (sizeof firmware_filename characters) with the file to send: the command line's
// file once, else the operator's choice. 0 when the operator cancelled.
int GetFirmwareFileName(char* filename);
ui::Result DownloadCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                            ui::LongParam l);

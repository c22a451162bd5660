// The firmware download: the operator picks a firmware file and a device, and
// the "Replace Firmware" dialog sends the file in numbered chunks of 100
// bytes, over serial at download_baud or over the device's TCP connection.
#pragma once

#include <cstdint>
#include <cstdio>

#include "ui/window.h"

extern std::FILE* firmware_file;         // the open firmware file, or null
extern std::uint32_t firmware_filesize;  // its size in bytes
extern std::uint32_t firmware_chunks;    // chunks of 100 bytes, the last one partly filled
extern long current_chunk;               // the next chunk to send, from 0

// The dialog's own messages.
constexpr unsigned msg_next_chunk = ui::msg_user + 1;
constexpr unsigned msg_finish_download = ui::msg_user + 2;

// The whole operation, from the menu; returns when the dialog has closed or
// the download was abandoned. Polling is off meanwhile.
void DownloadCode();
// Fills filename (sizeof firmware_filename characters) with the file to send: the command line's
// file once, else the operator's choice. 0 when the operator cancelled.
int GetFirmwareFileName(char* filename);
// Reads chunk current_chunk into buf (100 bytes); 0 on failure.
int NextDownloadChunk(ui::Handle dialog_handle, unsigned char* buf);
ui::Result DownloadCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                            ui::LongParam l);

// Whole configuration files between a local file and a device by command
// frames ("&Get", "&Send", "/c"), and the configuration file dialog.
#pragma once

#include <cstddef>

#include "ui/window.h"

enum cfg_fileoption_enum {
  cfg_fileoption_send = 0,      // open: "Choose Configuration File to Send"
  cfg_fileoption_retrieve = 1,  // save: "Choose Where To Save Retrieved Configuration"
  cfg_fileoption_load = 2,      // open: "Choose Configuration File to Load"
  cfg_fileoption_save = 3,      // save: "Choose Where To Save Configuration"
};

// Shows the open or save dialog for option starting in dir_override (or the
// dialog's own choice when null); the chosen path goes into filename. Non-zero
// when a file was chosen; a path that does not fit filename is refused.
int ConfigFileName(char* filename, std::size_t size, cfg_fileoption_enum option,
                   const char* dir_override);

// Menu "&Get" and "&Send"; SendConfig with a path (the command line) skips
// the file dialog and returns 1 when the whole file was sent.
void GetConfig();
int SendConfig(const char* usefile);
ui::Result CfgGetCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam l);
// 1 on success; failures are told to the operator and notified to dialog_handle.
int GetModelCfg(ui::Handle dialog_handle, const char* filename, int device);
int SendModelCfg(ui::Handle dialog_handle, const char* filename, int device);

// Process-wide flags and values that steer the whole console.
#pragma once

#include <cstdint>

extern int polling_enabled;    // the tick polls and logs
extern int factory_mode;       // "mode.txt" was present at start
extern int good_color;         // the display shows the pale panel tints
extern int mini_ocontrol;      // screen narrower than 800 pixels: compact controller panel
extern int commandline_mode;   // the command line carries a switch
extern int autoload_cfg;       // a configuration file was sent from the command line
extern int autoload_fw;        // a firmware file was named on the command line
extern int application_busy;   // a connection attempt is running: wait cursor
extern int use_device;         // address for one-off operations
extern char key_down[256];     // by virtual-key code: 1 while held

extern unsigned timer_id1;     // the main tick
extern unsigned timer_id2;     // firmware download and bus scan

// The configuration and firmware transfers' file and device.
extern char transfer_filename[1000];  // the file's name on both sides
extern char transfer_filepath[1024];  // the local file
extern int transfer_device;           // the editor's device: poll address 0 to 255, -1 none chosen

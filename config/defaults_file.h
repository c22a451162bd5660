// defaults.txt in the program directory: the operator settings and the
// selection of logged readings, as six keyword lines.
#pragma once

// Writes the file anew from the settings; a file that cannot be created is
// silently not written.
void SaveConfig();

// Puts the log parameter defaults in place, then applies whatever the file
// says; a missing file leaves the initial values.
void LoadConfig();

// sdefault.txt in the program directory: the link settings as one line,
// "port rate parity data stop address" ("COM2 9600 N 8 1 0").
#pragma once

// Applies the file to the link settings. A missing file, one shorter than 10
// bytes or longer than 4 KiB, or one naming a port or address too long for
// its setting leaves them as they are.
void LoadSerialDefaults();

// Writes the file anew from the link settings; false when it could not be
// written whole (callers that must say so do; the others go on).
bool SaveSerialDefaults();

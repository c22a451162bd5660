// Reading an amplifier's identification answer.
#pragma once

#include <string>

struct protocol_struct;

// The answer to the identification query as its two formats place it: the
// current one has "-" at frame position 7 and carries part, serial and
// version; the older one only part and version (serial left empty). Fields
// must lie before the frame's closing two bytes: false for a shorter answer.
bool ReadIdentification(const protocol_struct& answer, std::string* part, std::string* serial,
                        std::string* message);

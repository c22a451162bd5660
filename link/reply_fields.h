// Answer fields by their place in a Tessary answer frame (ACK, address,
// body, ETX, checksum), read from the frame of the selected family: a
// Quillon answer (STX, length, address, body, sum, ETX) holds every field
// one byte further on.
#pragma once

#include "link/capture.h"

// The byte at tessary_offset (1: the address; 2 on: the body), or -1 when
// that place lies outside the captured answer's address and body.
int ReplyByte(const protocol_struct& reply, int tessary_offset);

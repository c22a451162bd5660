// Decoding a device's answer into its status record.
#pragma once

// Decodes the complete answer in the capture buffer of device (Ethernet) or of
// the shared serial receiver, where the frame's address byte names the device.
// Returns the address whose record was updated. Reads nothing past the bytes
// captured: a short answer leaves its missing fields empty or 0.
int ParseResponse(int device);

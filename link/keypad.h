// Forwarding panel keys and panel commands to a device.
#pragma once

// Sends the command now, or in two-wire mode leaves it for the device's next
// polling turn (a half-duplex bus must not carry it over a poll's answer).
void KewCommand(int device, const char* command);
// Forwards one keypad key: W, X, Y, Z are the panel's soft keys; any other
// key goes out combined with a computer F1..F4 key held down.
void SerialSendKey(int device, char key);

// Command frames of the two protocol families: building, checksums, sending.
//
// Tessary: STX, address, body, ETX, XOR of STX..ETX; over Ethernet CR LF
// follows. Quillon (serial only): STX, frame length, address, body, sum of
// address and body, ETX.
#pragma once

#include <cstdint>

// The address most recently sent a frame; -1 before the first.
extern std::int32_t response_pending;

// XOR of the first length bytes; lengths of 3000 or more count as 2999,
// negative ones as 0.
unsigned char XorChecksum(const unsigned char* buffer, int length);
// Sum of the bytes between the length byte and the checksum byte of a
// Quillon frame of length bytes.
unsigned char QuillonCheckSum(const unsigned char* buffer, int length);

// Builds the frame the selected family sends for body (length bytes) to
// address into frame, which holds 256 bytes; returns its length. A body
// longer than the longest command is cut to it.
int BuildCommandFrame(int device, const char* body, int length, unsigned char* frame);

// Sends without a time limit of their own (polls, keys: a later polling
// step takes their answer) wait at most this long for room on a TCP
// connection. The wait holds up the whole console, and a device whose
// connection has no room left has not read many frames by then.
constexpr int background_send_limit_ms = 250;

// Frames the command (command_length 0: up to the terminating zero) and
// sends it to device without waiting for an answer. Over TCP the frame goes
// whole within send_limit_ms, or the connection is reported lost.
void SendCommand(int device, const char* command_string, int command_length,
                 int send_limit_ms = background_send_limit_ms);

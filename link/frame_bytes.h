// The control bytes of the device frames.
#pragma once

constexpr unsigned char STX = 0x02;
constexpr unsigned char ETX = 0x03;
constexpr unsigned char ACK = 0x06;
constexpr unsigned char NAK = 0x15;
constexpr unsigned char CR = 0x0D;
constexpr unsigned char LF = 0x0A;

// The longest command body a caller builds: a whole Tessary frame with CR LF
// still fits in 256 bytes.
constexpr int max_command_body = 250;

// XMODEM: 128-byte blocks with an 8-bit checksum or CRC-16/XMODEM, and the
// receive and send loops that run as steps of the service console transfer.
#pragma once

#include <cstdint>

constexpr unsigned char xmodem_soh = 0x01;
constexpr unsigned char xmodem_eot = 0x04;
constexpr unsigned char xmodem_ack = 0x06;
constexpr unsigned char xmodem_nak = 0x15;
constexpr unsigned char xmodem_can = 0x18;
constexpr unsigned char xmodem_crc_start = 'C';
constexpr unsigned char xmodem_sub = 0x1A;
constexpr int xmodem_block_size = 128;

extern unsigned char xmodem_buf[200];
extern int xmodem_block_number;
extern int xmodem_first_packet;
extern int xmodem_got_soh;
extern int xmodem_got_eot;
extern int xmodem_crc16;
extern const char* xmodem_error;

void ResetXmodem();
// Aligns the buffer on its first SOH or EOT; 1 when one is (or was) found.
int XmodemFindPacketStart(unsigned char* buf, std::int32_t* count);
// 1: the expected block, intact; 2: a repeat of the previous block; 0: bad.
int VerifyXmodemPacket(const unsigned char* packet);
void ProcessPacketHandled(unsigned char* buf, std::int32_t* count);
void XmodemSendPacket(unsigned char block);
void XmodemSend();
void XmodemResend();
std::uint16_t XmodemChecksum(const unsigned char* buf);
void InitCcitt();
std::uint16_t Crc_Ccitt(const unsigned char* ptr, int len);

// The loops: steps ts_receiving, ts_sendfile and ts_sending.
void GetFileXmodem();
void SendFileStep();
void SendFileXmodem();

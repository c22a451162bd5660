// The firmware file as the download sends it: numbered chunks of 100 bytes,
// the last padded with zero bytes, and the progress figures shown meanwhile.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

constexpr int firmware_chunk_size = 100;
// The chunk number travels as five decimal digits.
constexpr long firmware_chunk_limit = 99999;

// Chunks of 100 bytes for a file of size bytes, the last one partly filled.
std::uint32_t FirmwareChunkCount(std::uint64_t size);
// Why a file of size bytes cannot be sent, naming it and the limit; empty
// when it can.
std::string FirmwareSizeRefusal(const std::string& path, std::uint64_t size);
// Reads chunk number `chunk` of a file of size bytes into buf, always from
// chunk × 100, so that a chunk offered again carries its own bytes; what lies
// beyond the file's end is zero. false on a read error or a file that has
// become shorter than size.
bool ReadFirmwareChunk(std::FILE* file, long chunk, std::uint64_t size,
                       unsigned char (&buf)[firmware_chunk_size]);
// The percentage after chunk number `chunk` of `chunks` went out, as
// "%04.1f%%" writes it ("00.1%" ... "100.0%").
std::string PercentText(long chunk, std::uint32_t chunks);
// The progress bar's position, 0 to 20, for the same moment: one step per
// 5 % reached.
int ProgressSteps(long chunk, std::uint32_t chunks);

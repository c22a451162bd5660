#include "transfer/firmware_file.h"

#include <algorithm>
#include <cstring>

#include "config/number_text.h"

namespace {

double Percent(long chunk, std::uint32_t chunks) {
  return chunks == 0 ? 100.0 : (static_cast<double>(chunk) + 1) * 100.0 / chunks;
}

}  // namespace

std::uint32_t FirmwareChunkCount(std::uint64_t size) {
  const std::uint64_t chunks = (size + firmware_chunk_size - 1) / firmware_chunk_size;
  return chunks > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(chunks);
}

std::string FirmwareSizeRefusal(const std::string& path, std::uint64_t size) {
  if (size == 0) return path + " is empty: a firmware file holds at least 1 byte.";
  if (FirmwareChunkCount(size) > static_cast<std::uint64_t>(firmware_chunk_limit)) {
    return path + " has " + std::to_string(size) + " bytes: a firmware file holds at most " +
           std::to_string(firmware_chunk_limit * firmware_chunk_size) + " bytes (" +
           std::to_string(firmware_chunk_limit) + " chunks of 100 bytes).";
  }
  return {};
}

bool ReadFirmwareChunk(std::FILE* file, long chunk, std::uint64_t size,
                       unsigned char (&buf)[firmware_chunk_size]) {
  std::memset(buf, 0, sizeof buf);
  const std::uint64_t offset = static_cast<std::uint64_t>(chunk) * firmware_chunk_size;
  if (!file || chunk < 0 || offset >= size) return false;
  const std::size_t want =
      static_cast<std::size_t>(std::min<std::uint64_t>(firmware_chunk_size, size - offset));
  // Below 10 MB every offset fits a long.
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) return false;
  const std::size_t got = std::fread(buf, 1, want, file);
  if (got == want) return true;
  std::memset(buf, 0, sizeof buf);
  return false;
}

std::string PercentText(long chunk, std::uint32_t chunks) {
  char text[16];
  const int length = FormatFixed(text, sizeof text - 1, Percent(chunk, chunks), 4, 1, true);
  text[length] = '%';
  return std::string(text, static_cast<std::size_t>(length) + 1);
}

int ProgressSteps(long chunk, std::uint32_t chunks) {
  return std::clamp(static_cast<int>(Percent(chunk, chunks) / 5.0 + 1e-9), 0, 20);
}

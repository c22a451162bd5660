// The firmware download without a window: the file in numbered chunks of 100
// bytes, over serial at download_baud or over the device's TCP connection.
// Each step blocks in the port; whoever paces the steps (the dialog's timer,
// a script's loop) hears of them through a report.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class firmware_report {
 public:
  virtual ~firmware_report() = default;
  virtual void Status(const std::string& text) = 0;
  // Chunk number `chunk` of `chunks` was taken by the device.
  virtual void Progress(long chunk, std::uint32_t chunks) = 0;
  // A started download stopped for this reason; the link's restore follows.
  virtual void Aborted(const std::string& text) = 0;
  // The device's port could not be put back: what state it is left in.
  virtual void RestoreFailed(const std::string& problem) = 0;
};

class firmware_download {
 public:
  enum class chunk_result { sent, offered_again, failed };

  explicit firmware_download(firmware_report& report) : report_(report) {}
  ~firmware_download();
  firmware_download(const firmware_download&) = delete;
  firmware_download& operator=(const firmware_download&) = delete;

  // Checks the file and opens it; the refusal names the file.
  bool Open(const char* filename, std::string* error);
  void Close();
  // Switches the line to the download rate and announces the size; false
  // (status said, link restored) when the device did not take it.
  bool Start(int address);
  // Sends the next chunk; an unanswered chunk keeps its number.
  chunk_result SendChunk();
  bool ChunksLeft() const { return current_chunk_ < static_cast<long>(chunks_); }
  // Restores the line and sends the end; the device then reboots.
  bool Finish();
  // Gives the line back after a download left half way (or never started).
  void Abandon(int address);

  long CurrentChunk() const { return current_chunk_; }
  std::uint32_t Chunks() const { return chunks_; }

 private:
  void Fail(const std::string& text);
  void Restore();
  void ReportRetries();

  firmware_report& report_;
  std::FILE* file_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t chunks_ = 0;
  long current_chunk_ = 0;  // the next chunk to send, from 0
  int address_ = 'A';
  int sequence_bump_ = 0;  // consecutive offers without an answer
  int old_retries_ = 0;
};

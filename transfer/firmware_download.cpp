#include "transfer/firmware_download.h"

#include <cstring>
#include <filesystem>

#include "config/formatted_text.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/command_set.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "records/event_journal.h"
#include "records/poll_address.h"
#include "transfer/download_comm.h"
#include "transfer/download_link.h"
#include "transfer/firmware_file.h"

namespace {

constexpr int settle_before_start_msec = 555;
constexpr int settle_before_cancel_msec = 250;
constexpr int unanswered_chunk_limit = 3;

}  // namespace

firmware_download::~firmware_download() {
  Close();
}

bool firmware_download::Open(const char* filename, std::string* error) {
  Close();
  std::error_code failure;
  const std::uintmax_t size = std::filesystem::file_size(filename, failure);
  if (failure || !std::filesystem::is_regular_file(filename, failure)) {
    *error = FormattedText("Can't find file %s.", filename);
    return false;
  }
  *error = FirmwareSizeRefusal(filename, size);
  if (!error->empty()) return false;
  size_ = static_cast<std::uint32_t>(size);
  chunks_ = FirmwareChunkCount(size);
  file_ = std::fopen(filename, "rb");
  if (!file_) {
    *error = FormattedText("Problem reading %s.", filename);
    return false;
  }
  return true;
}

void firmware_download::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void firmware_download::Restore() {
  if (!RestoreComm(address_)) report_.RestoreFailed(RestoreProblem());
}

void firmware_download::Fail(const std::string& text) {
  JournalResult(address_, "firmware_download", false, "Firmware download (" + text + ")");
  report_.Aborted(text);
  Restore();
}

bool firmware_download::Start(int address) {
  DownloadLink& link = CurrentDownloadLink();
  address_ = address;
  current_chunk_ = 0;
  sequence_bump_ = 0;
  report_.Status("Initializing transfer...");
  link.Pause(settle_before_start_msec);
  TrapResponse(link.Serial() ? 0 : address_);
  // The size is announced only to a device that took the new rate.
  const device_command& start = Command(command_id::firmware_start);
  const command_body announce = FirmwareStartCommand(static_cast<long>(size_));
  if (!SpeedyComm(address_) ||
      !link.Command(address_, announce.text, announce.length, start.timeout, start.tries)) {
    report_.Status("Initialization failed.");
    JournalResult(address_, "firmware_download", false, "Firmware download (not started)");
    Restore();
    return false;
  }
  report_.Status(
      link.Serial()
          ? FormattedText("Sending new firmware at %ld baud!", static_cast<long>(download_baud))
          : FormattedText("Sending firmware over ethernet to %s !", default_ipaddress));
  retries = 0;
  old_retries_ = 0;
  return true;
}

firmware_download::chunk_result firmware_download::SendChunk() {
  DownloadLink& link = CurrentDownloadLink();
  unsigned char buf[firmware_chunk_size];
  if (!ReadFirmwareChunk(file_, current_chunk_, size_, buf)) {
    Fail("Error reading firmware file.");
    return chunk_result::failed;
  }
  const command_body number = FirmwareChunkCommand(current_chunk_);
  char body[sizeof number.text];
  std::memcpy(body, number.text, static_cast<std::size_t>(number.length));
  std::memcpy(body + number.length, buf, sizeof buf);
  const device_command& chunk = Command(command_id::firmware_chunk);
  chunk_result result = chunk_result::sent;
  if (link.Command(address_, body, number.length + firmware_chunk_size, chunk.timeout,
                   chunk.tries)) {
    sequence_bump_ = 0;
    report_.Progress(current_chunk_, chunks_);
    ++current_chunk_;
  } else if (!link.Connected(address_)) {
    Fail(FormattedText("The connection to %s was lost after %ld of %lu chunks.",
                       link.Serial() ? serial_port : default_ipaddress, current_chunk_,
                       static_cast<unsigned long>(chunks_)));
    return chunk_result::failed;
  } else if (++sequence_bump_ > unanswered_chunk_limit) {
    Fail("Missing response from HPA.");
    return chunk_result::failed;
  } else {
    result = chunk_result::offered_again;
  }
  ReportRetries();
  return result;
}

void firmware_download::ReportRetries() {
  if (retries == old_retries_) return;
  old_retries_ = retries;
  report_.Status(
      CurrentDownloadLink().Serial()
          ? FormattedText("Sending at %ld baud (%d message retries)",
                          static_cast<long>(download_baud), old_retries_)
          : FormattedText("Sending firmware over ethernet (%d message retries)", old_retries_));
}

bool firmware_download::Finish() {
  if (!RestoreComm(address_)) {
    Fail(RestoreProblem() + " The end of the download was not sent.");
    return false;
  }
  const device_command& end = Command(command_id::firmware_end);
  const command_body finish = FirmwareEndCommand(static_cast<long>(chunks_));
  if (!CurrentDownloadLink().Command(address_, finish.text, finish.length, end.timeout,
                                     end.tries)) {
    Fail("Device " + AddressText(address_) +
         " did not answer the end of the download: it may not run the new firmware.");
    return false;
  }
  report_.Status("Transfer Complete, rebooting Unit...");
  JournalResult(address_, "firmware_download", true, "Firmware download");
  return true;
}

void firmware_download::Abandon(int address) {
  address_ = address;
  CurrentDownloadLink().Pause(settle_before_cancel_msec);
  Restore();
}

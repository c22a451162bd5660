#include "transfer/download.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <string>

#include "config/defaults_file.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/command_set.h"
#include "link/discovery.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/scan_ip_dialog.h"
#include "link/wsocket.h"
#include "records/device_records.h"
#include "records/poll_address.h"
#include "records/program_state.h"
#include "resources/firmware_dialog.h"
#include "transfer/download_comm.h"
#include "transfer/download_link.h"
#include "transfer/firmware_file.h"
#include "ui/dialog.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"

std::FILE* firmware_file = nullptr;
std::uint32_t firmware_filesize = 0;
std::uint32_t firmware_chunks = 0;
long current_chunk = 0;

namespace {

constexpr unsigned chunk_timer_id = 1;
constexpr unsigned reboot_timer_id = 2;
constexpr int chunk_tick_msec = 56;
constexpr int reboot_tick_msec = 1000;
constexpr int reboot_ticks = 10;
constexpr int settle_before_start_msec = 555;
constexpr int settle_before_cancel_msec = 250;
constexpr int unanswered_chunk_limit = 3;

// What the dialog is doing. Every message checks it first, so that nothing
// a timer or a click brings can run a step twice or out of turn.
enum class Phase { waiting, sending, rebooting, failed };

struct DialogStart {
  int address;
  std::string parameter;  // the address character, then the title
};

int address = 'A';
int sequence_bump = 0;  // consecutive offers without an answer
char old_digit = '0';   // the percentage's fourth character last shown
int entrant = 0;        // a chunk or the finish is being handled
int old_retries = 0;
Phase phase = Phase::waiting;
bool message_posted = false;  // a next-chunk or finish message is on its way
int reboot_count = 0;
constexpr std::chrono::milliseconds display_interval{100};
std::chrono::steady_clock::time_point last_shown;

bool FileExists(const char* path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

[[gnu::format(printf, 2, 3)]] std::string Format(std::size_t size, const char* format, ...) {
  std::string text(size, '\0');
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(text.data(), size, format, arguments);
  va_end(arguments);
  text.resize(length < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(length), size - 1));
  return text;
}

void Error(const std::string& text) {
  ui::ShowMessage(main_window, text, "Error", ui::Buttons::ok, ui::Icon::error);
}

void CloseFirmwareFile() {
  if (firmware_file) std::fclose(firmware_file);
  firmware_file = nullptr;
}

void ShowStatus(ui::Handle dialog, const std::string& text) {
  ui::SetControlText(dialog, id_firmware_status, text);
}

void StopChunkTimer(ui::Handle dialog) {
  if (timer_id2) ui::StopTimer(dialog, timer_id2);
  timer_id2 = 0;
}

void ReportRestore(ui::Handle dialog, int restored) {
  if (!restored) {
    ui::ShowMessage(dialog, RestoreProblem(), "Problem", ui::Buttons::ok, ui::Icon::warning);
  }
}

// The one way a started download fails: the box once, the link restored,
// and OK offered again for a fresh start.
void Fail(ui::Handle dialog, const std::string& text) {
  StopChunkTimer(dialog);
  phase = Phase::failed;
  ui::ShowMessage(dialog, text, "Transfer Aborted.", ui::Buttons::ok, ui::Icon::error);
  ShowStatus(dialog, "Transfer Failed.");
  ReportRestore(dialog, RestoreComm(address));
  ui::EnableControl(dialog, ui::id_ok, true);
}

void PostNext(ui::Handle dialog) {
  message_posted = true;
  ui::Post(dialog, static_cast<long>(current_chunk) < static_cast<long>(firmware_chunks)
                       ? msg_next_chunk
                       : msg_finish_download);
}

// Repainting costs more than a chunk at the higher rates: the display changes
// at most every 100 ms, and for the last chunk.
void ShowProgress(ui::Handle dialog) {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_shown < display_interval &&
      current_chunk + 1 < static_cast<long>(firmware_chunks)) {
    return;
  }
  last_shown = now;
  const std::string text = PercentText(current_chunk, firmware_chunks);
  if (text[3] != old_digit) {
    ui::SetControlText(dialog, id_firmware_percent, text);
    old_digit = text[3];
  }
  ui::SetProgress(dialog, id_firmware_progress, ProgressSteps(current_chunk, firmware_chunks));
}

void ShowRetries(ui::Handle dialog) {
  if (retries == old_retries) return;
  old_retries = retries;
  ShowStatus(dialog,
             CurrentDownloadLink().Serial()
                 ? Format(100, "Sending at %ld baud (%d message retries)",
                          static_cast<long>(download_baud), old_retries)
                 : Format(100, "Sending firmware over ethernet (%d message retries)", old_retries));
}

void InitDialog(ui::Handle dialog, const DialogStart& start) {
  address = start.address;
  sequence_bump = 0;
  entrant = 0;
  phase = Phase::waiting;
  message_posted = false;
  ui::SetProgressRange(dialog, id_firmware_progress, 0, 20);
  ui::SetTitle(dialog, start.parameter.substr(1));
  if (CurrentDownloadLink().Serial()) {
    ui::SetControlText(dialog, id_firmware_address, AddressText(address));
  } else {
    ui::SetControlText(dialog, id_firmware_address, default_ipaddress);
    ui::EnableControl(dialog, id_firmware_address, false);
  }
}

void OnAddressEdited(ui::Handle dialog) {
  if (!CurrentDownloadLink().Serial() || phase != Phase::waiting) return;
  const std::string text = ui::ControlText(dialog, id_firmware_address);
  const int typed = ParsePollAddress(text);
  if (!text.empty() && typed >= 0) address = typed;
}

void OnOk(ui::Handle dialog) {
  if (phase == Phase::sending || phase == Phase::rebooting) return;
  DownloadLink& link = CurrentDownloadLink();
  polling_enabled = 0;
  ui::EnableControl(dialog, ui::id_ok, false);
  current_chunk = 0;
  sequence_bump = 0;
  ShowStatus(dialog, "Initializing transfer...");
  ui::SetProgressRange(dialog, id_firmware_progress, 0, 20);
  ui::SetProgress(dialog, id_firmware_progress, 0);
  link.Pause(settle_before_start_msec);
  TrapResponse(link.Serial() ? 0 : address);
  // The size is announced only to a device that took the new rate.
  const device_command& start = Command(command_id::firmware_start);
  const command_body announce = FirmwareStartCommand(static_cast<long>(firmware_filesize));
  if (!SpeedyComm(address) ||
      !link.Command(address, announce.text, announce.length, start.timeout, start.tries)) {
    ShowStatus(dialog, "Initialization failed.");
    ReportRestore(dialog, RestoreComm(address));
    phase = Phase::failed;
    ui::EnableControl(dialog, ui::id_ok, true);
    return;
  }
  ShowStatus(dialog, link.Serial() ? Format(100, "Sending new firmware at %ld baud!",
                                            static_cast<long>(download_baud))
                                   : Format(300, "Sending firmware over ethernet to %s !",
                                            default_ipaddress));
  retries = 0;
  old_retries = 0;
  phase = Phase::sending;
  if (!turbo_download) timer_id2 = ui::StartTimer(dialog, chunk_timer_id, chunk_tick_msec);
  PostNext(dialog);
}

void OnNextChunk(ui::Handle dialog) {
  DownloadLink& link = CurrentDownloadLink();
  unsigned char buf[firmware_chunk_size];
  if (!NextDownloadChunk(dialog, buf)) {
    Fail(dialog, "Error reading firmware file.");
    return;
  }
  const command_body number = FirmwareChunkCommand(current_chunk);
  char body[sizeof number.text];
  std::memcpy(body, number.text, static_cast<std::size_t>(number.length));
  std::memcpy(body + number.length, buf, sizeof buf);
  const device_command& chunk = Command(command_id::firmware_chunk);
  if (link.Command(address, body, number.length + firmware_chunk_size, chunk.timeout,
                   chunk.tries)) {
    sequence_bump = 0;
    ShowProgress(dialog);
    ++current_chunk;
  } else if (!link.Connected(address)) {
    Fail(dialog, Format(400, "The connection to %s was lost after %ld of %lu chunks.",
                        link.Serial() ? serial_port : default_ipaddress, current_chunk,
                        static_cast<unsigned long>(firmware_chunks)));
    return;
  } else if (++sequence_bump > unanswered_chunk_limit) {
    Fail(dialog, "Missing response from HPA.");
    return;
  }
  // An unanswered chunk keeps its number and is offered again.
  ShowRetries(dialog);
}

void OnFinish(ui::Handle dialog) {
  StopChunkTimer(dialog);
  DownloadLink& link = CurrentDownloadLink();
  if (!RestoreComm(address)) {
    Fail(dialog, RestoreProblem() + " The end of the download was not sent.");
    return;
  }
  const device_command& end = Command(command_id::firmware_end);
  const command_body finish = FirmwareEndCommand(static_cast<long>(firmware_chunks));
  if (!link.Command(address, finish.text, finish.length, end.timeout, end.tries)) {
    Fail(dialog, "Device " + AddressText(address) +
                     " did not answer the end of the download: it may not run the new firmware.");
    return;
  }
  phase = Phase::rebooting;
  ShowStatus(dialog, "Transfer Complete, rebooting Unit...");
  ui::SetProgressRange(dialog, id_firmware_progress, 0, 100);
  ui::SetProgress(dialog, id_firmware_progress, 0);
  reboot_count = 0;
  // The wait goes by on a timer, so the window keeps answering.
  ui::StartTimer(dialog, reboot_timer_id, reboot_tick_msec);
}

// msg_next_chunk and msg_finish_download: each runs alone and only while
// chunks are being sent.
void OnPacedMessage(ui::Handle dialog, unsigned message) {
  message_posted = false;
  if (phase != Phase::sending || entrant) return;
  entrant = 1;
  if (message == msg_finish_download ||
      static_cast<long>(current_chunk) >= static_cast<long>(firmware_chunks)) {
    OnFinish(dialog);
  } else {
    OnNextChunk(dialog);
    if (phase == Phase::sending && turbo_download) PostNext(dialog);
  }
  entrant = 0;
}

void OnTimer(ui::Handle dialog, unsigned id) {
  if (id == chunk_timer_id) {
    if (phase == Phase::sending && !entrant && !message_posted) PostNext(dialog);
    return;
  }
  if (id != reboot_timer_id || phase != Phase::rebooting) return;
  ui::SetProgress(dialog, id_firmware_progress, ++reboot_count * 10);
  if (reboot_count < reboot_ticks) return;
  ui::StopTimer(dialog, reboot_timer_id);
  CloseFirmwareFile();
  ui::FinishDialog(dialog, 1);
}

void OnCancel(ui::Handle dialog) {
  if (entrant) return;
  StopChunkTimer(dialog);
  ui::StopTimer(dialog, reboot_timer_id);
  CloseFirmwareFile();
  if (phase == Phase::sending && current_chunk > 0) {
    ui::ShowMessage(dialog,
                    Format(300,
                           "The download was cancelled after %ld of %lu chunks: device %s "
                           "has not received the whole firmware.",
                           current_chunk, static_cast<unsigned long>(firmware_chunks),
                           AddressText(address).c_str()),
                    "Warning", ui::Buttons::ok, ui::Icon::warning);
  }
  const bool rebooting = phase == Phase::rebooting;
  phase = Phase::failed;
  if (!rebooting) {
    CurrentDownloadLink().Pause(settle_before_cancel_msec);
    ReportRestore(dialog, RestoreComm(address));
  }
  ui::FinishDialog(dialog, rebooting ? 1 : 0);
}

// Checks the chosen file and opens it; the refusals name the file.
bool OpenFirmwareFile(const char* filename) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(filename, error);
  if (error || !FileExists(filename)) {
    Error(Format(1100, "Can't find file %s.", filename));
    return false;
  }
  const std::string refusal = FirmwareSizeRefusal(filename, size);
  if (!refusal.empty()) {
    Error(refusal);
    return false;
  }
  firmware_filesize = static_cast<std::uint32_t>(size);
  firmware_chunks = FirmwareChunkCount(size);
  firmware_file = std::fopen(filename, "rb");
  if (!firmware_file) {
    Error(Format(1100, "Problem reading %s.", filename));
    return false;
  }
  return true;
}

// Over Ethernet the operator picks the device and it is connected; true with
// its address in *device.
bool ChooseEthernetDevice(int* device) {
  ethernet_action = ETHERNET_DOWNLOAD;
  if (RunScanIpDialog(main_window) != 1) return false;
  if (use_device < 0) {
    // The search dialog connected without an owner, so nobody has said so yet.
    Error(Format(300, "Can't connect to %s.", default_ipaddress));
    return false;
  }
  *device = use_device;
  return true;
}

}  // namespace

int GetFirmwareFileName(char* filename) {
  if (autoload_fw) {
    // The command line's file is taken once; a later download asks.
    autoload_fw = 0;
    if (FileExists(filename)) return 1;
  }
  if (!filename[0]) std::strcpy(filename, "TUBEFW.exe");
  ui::FileDialogRequest request;
  request.title = "Select firmware executable to send";
  request.filter_name = "Firmware";
  request.filter_pattern = "*.exe";
  request.default_extension = "EXE";
  request.must_exist = true;
  std::string path = filename;
  if (!ui::ChooseFile(main_window, request, path)) return 0;
  if (path.size() >= sizeof firmware_filename) {
    Error("The path of the firmware file is too long: " + path);
    return 0;
  }
  std::memcpy(filename, path.c_str(), path.size() + 1);
  return 1;
}

int NextDownloadChunk(ui::Handle, unsigned char* buf) {
  unsigned char chunk[firmware_chunk_size];
  const bool read = ReadFirmwareChunk(firmware_file, current_chunk, firmware_filesize, chunk);
  std::memcpy(buf, chunk, sizeof chunk);
  return read ? 1 : 0;
}

ui::Result DownloadCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                            ui::LongParam l) {
  switch (message) {
    case ui::msg_init_dialog:
      InitDialog(dialog, *reinterpret_cast<const DialogStart*>(l));
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case id_firmware_address:
          if (ui::CommandNotification(word) == ui::notify_edit_change) OnAddressEdited(dialog);
          return 1;
        case ui::id_ok:
          if (!entrant) OnOk(dialog);
          return 1;
        case ui::id_cancel:
          OnCancel(dialog);
          return 1;
      }
      return 0;
    case ui::msg_timer:
      OnTimer(dialog, static_cast<unsigned>(word));
      return 1;
    case msg_next_chunk:
    case msg_finish_download:
      OnPacedMessage(dialog, message);
      return 1;
    case ui::msg_destroy:
      StopChunkTimer(dialog);
      CloseFirmwareFile();
      // The connection was made for this download.
      if (!CurrentDownloadLink().Serial()) CloseDeviceSocket(address);
      return 0;
  }
  return 0;
}

void DownloadCode() {
  char filename[sizeof firmware_filename];
  CopyField(filename, firmware_filename);
  polling_enabled = 0;
  int device = ClosePollWindows();
  if (GetFirmwareFileName(filename) && OpenFirmwareFile(filename)) {
    CopyField(firmware_filename, filename);
    SaveConfig();
    if (CurrentDownloadLink().Serial() || ChooseEthernetDevice(&device)) {
      const DialogStart start{device, Format(sizeof filename + 32, "%cSend Firmware: %s",
                                             static_cast<char>(device), filename)};
      ui::RunModal(FirmwareDialogTemplate(), main_window, DownloadCallBack,
                   reinterpret_cast<ui::LongParam>(&start));
    }
  }
  CloseFirmwareFile();
  polling_enabled = 1;
  ethernet_action = ETHERNET_DEFAULT;
}

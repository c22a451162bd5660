#include "transfer/download.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

#include "config/defaults_file.h"
#include "config/formatted_text.h"
#include "config/settings.h"
#include "link/discovery.h"
#include "link/link_settings.h"
#include "link/scan_ip_dialog.h"
#include "link/wsocket.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/poll_address.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/firmware_dialog.h"
#include "transfer/download_link.h"
#include "transfer/firmware_download.h"
#include "transfer/firmware_file.h"
#include "ui/dialog.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"

namespace {

constexpr unsigned chunk_timer_id = 1;
constexpr unsigned reboot_timer_id = 2;
constexpr int chunk_tick_msec = 56;
constexpr int reboot_tick_msec = 1000;
constexpr int reboot_ticks = 10;

// What the dialog is doing. Every message checks it first, so that nothing
// a timer or a click brings can run a step twice or out of turn.
enum class Phase { waiting, sending, rebooting, failed };

struct DialogStart {
  int address;
  std::string parameter;  // the address character, then the title
};

int address = 'A';
char old_digit = '0';  // the percentage's fourth character last shown
int entrant = 0;       // a chunk or the finish is being handled
Phase phase = Phase::waiting;
bool message_posted = false;  // a next-chunk or finish message is on its way
int reboot_count = 0;
constexpr std::chrono::milliseconds display_interval{100};
std::chrono::steady_clock::time_point last_shown;

bool FileExists(const char* path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

void Error(const std::string& text) {
  ui::ShowMessage(main_window, text, "Error", ui::Buttons::ok, ui::Icon::error);
}

void ShowStatus(ui::Handle dialog, const std::string& text) {
  ui::SetControlText(dialog, id_firmware_status, text);
}

void StopChunkTimer(ui::Handle dialog) {
  if (timer_id2) ui::StopTimer(dialog, timer_id2);
  timer_id2 = 0;
}

class dialog_report : public firmware_report {
 public:
  ui::Handle dialog = 0;

  void Status(const std::string& text) override { ShowStatus(dialog, text); }

  // Repainting costs more than a chunk at the higher rates: the display
  // changes at most every 100 ms, and for the last chunk.
  void Progress(long chunk, std::uint32_t chunks) override {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_shown < display_interval && chunk + 1 < static_cast<long>(chunks)) return;
    last_shown = now;
    const std::string text = PercentText(chunk, chunks);
    if (text[3] != old_digit) {
      ui::SetControlText(dialog, id_firmware_percent, text);
      old_digit = text[3];
    }
    ui::SetProgress(dialog, id_firmware_progress, ProgressSteps(chunk, chunks));
  }

  // The box once, then the link is restored and OK offered again for a
  // fresh start.
  void Aborted(const std::string& text) override {
    StopChunkTimer(dialog);
    phase = Phase::failed;
    ui::ShowMessage(dialog, text, "Transfer Aborted.", ui::Buttons::ok, ui::Icon::error);
    ShowStatus(dialog, "Transfer Failed.");
  }

  void RestoreFailed(const std::string& problem) override {
    ui::ShowMessage(dialog, problem, "Problem", ui::Buttons::ok, ui::Icon::warning);
  }
};

dialog_report report;
firmware_download download(report);

void PostNext(ui::Handle dialog) {
  message_posted = true;
  ui::Post(dialog, download.ChunksLeft() ? msg_next_chunk : msg_finish_download);
}

void InitDialog(ui::Handle dialog, const DialogStart& start) {
  report.dialog = dialog;
  address = start.address;
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
  polling_enabled = 0;
  ui::EnableControl(dialog, ui::id_ok, false);
  ui::SetProgressRange(dialog, id_firmware_progress, 0, 20);
  ui::SetProgress(dialog, id_firmware_progress, 0);
  if (!download.Start(address)) {
    phase = Phase::failed;
    ui::EnableControl(dialog, ui::id_ok, true);
    return;
  }
  phase = Phase::sending;
  if (!turbo_download) timer_id2 = ui::StartTimer(dialog, chunk_timer_id, chunk_tick_msec);
  PostNext(dialog);
}

void OnFinish(ui::Handle dialog) {
  StopChunkTimer(dialog);
  if (!download.Finish()) {
    ui::EnableControl(dialog, ui::id_ok, true);
    return;
  }
  phase = Phase::rebooting;
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
  if (message == msg_finish_download || !download.ChunksLeft()) {
    OnFinish(dialog);
  } else if (download.SendChunk() == firmware_download::chunk_result::failed) {
    ui::EnableControl(dialog, ui::id_ok, true);
  } else if (turbo_download) {
    PostNext(dialog);
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
  download.Close();
  ui::FinishDialog(dialog, 1);
}

void OnCancel(ui::Handle dialog) {
  if (entrant) return;
  StopChunkTimer(dialog);
  ui::StopTimer(dialog, reboot_timer_id);
  download.Close();
  if (phase == Phase::sending && download.CurrentChunk() > 0) {
    ui::ShowMessage(
        dialog,
        FormattedText("The download was cancelled after %ld of %lu chunks: device %s "
                      "has not received the whole firmware.",
                      download.CurrentChunk(), static_cast<unsigned long>(download.Chunks()),
                      AddressText(address).c_str()),
        "Warning", ui::Buttons::ok, ui::Icon::warning);
  }
  if (phase == Phase::sending)
    JournalResult(address, "firmware_download", false, "Firmware download (cancelled)");
  const bool rebooting = phase == Phase::rebooting;
  phase = Phase::failed;
  if (!rebooting) download.Abandon(address);
  ui::FinishDialog(dialog, rebooting ? 1 : 0);
}

// Checks the chosen file and opens it; the refusals name the file.
bool OpenFirmwareFile(const char* filename) {
  std::string error;
  if (download.Open(filename, &error)) return true;
  Error(error);
  return false;
}

// Over Ethernet the operator picks the device and it is connected; true with
// its address in *device.
bool ChooseEthernetDevice(int* device) {
  ethernet_action = ETHERNET_DOWNLOAD;
  if (RunScanIpDialog(main_window) != 1) return false;
  if (use_device < 0) {
    // The search dialog connected without an owner, so nobody has said so yet.
    Error(FormattedText("Can't connect to %s.", default_ipaddress));
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
      download.Close();
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
      const DialogStart start{
          device, FormattedText("%cSend Firmware: %s", static_cast<char>(device), filename)};
      ui::RunModal(FirmwareDialogTemplate(), main_window, DownloadCallBack,
                   reinterpret_cast<ui::LongParam>(&start));
    }
  }
  download.Close();
  polling_enabled = 1;
  ethernet_action = ETHERNET_DEFAULT;
}

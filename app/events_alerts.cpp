#include "app/events_alerts.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "app/events_file.h"
#include "config/program_directory.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "ui/attention.h"
#include "ui/message_box.h"

int alert_sound = 0;

namespace {

constexpr char mark[] = "[!] ";
constexpr char settings_name[] = "alerts.txt";
constexpr char main_title[] = "Tessary Remote Control";

std::string file_problem;

std::string SettingsPath() {
  char name[sizeof save_directory + 16];
  return ProgramFileName(name, sizeof name, settings_name) ? name : "";
}

bool Unacknowledged(int address) {
  for (const journal_event& event : JournalEvents())
    if (event.alert && !event.acknowledged && event.address == address) return true;
  return false;
}

// The mark comes and goes in front of whatever the panel is titled.
void ShowMark(int address) {
  if (!PanelLives(address)) return;
  std::string title = ui::Title(poll_dialog[address]);
  if (title.rfind(mark, 0) == 0) title.erase(0, sizeof mark - 1);
  ui::SetTitle(poll_dialog[address], AlertMark(address) + title);
}

void OnJournal(const journal_event& event) {
  if (event.kind == "acknowledged") {
    for (int address = 0; address < device_count; ++address) ShowMark(address);
  } else if (event.alert) {
    if (event.address >= 0 && event.address < device_count) ShowMark(event.address);
    const bool panel =
        event.address >= 0 && event.address < device_count && PanelLives(event.address);
    ui::RequestAttention(panel ? poll_dialog[event.address] : main_window);
    if (alert_sound) ui::Beep();
  } else {
    return;
  }
  if (ui::IsLive(main_window)) ui::SetTitle(main_window, MainWindowTitle());
}

// Told from inside a polling step: the box waits for the message loop.
void ReportFileProblem(const std::string& problem) {
  file_problem = problem;
  if (ui::IsLive(main_window)) ui::Post(main_window, msg_events_file_problem);
}

}  // namespace

void LoadAlertSettings() {
  alert_sound = 0;
  std::ifstream in(SettingsPath(), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  alert_sound = text.rfind("sound=1", 0) == 0 ? 1 : 0;
}

bool SaveAlertSettings(ui::Handle owner) {
  const std::string path = SettingsPath();
  std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
  bool saved = file && std::fputs(alert_sound ? "sound=1\r\n" : "sound=0\r\n", file) >= 0;
  if (file && std::fclose(file) != 0) saved = false;
  if (!saved) {
    const std::string shown = path.empty() ? std::string(save_directory) + settings_name : path;
    ui::ShowMessage(owner, "Unable to save the alert settings in " + shown + ".", "Error",
                    ui::Buttons::ok, ui::Icon::error);
  }
  return saved;
}

std::string AlertMark(int address) {
  return Unacknowledged(address) ? mark : "";
}

std::string MainWindowTitle() {
  const int count = JournalUnacknowledged();
  if (count == 0) return main_title;
  return std::string(main_title) + " - " + std::to_string(count) + " unacknowledged alert" +
         (count == 1 ? "" : "s");
}

void StartAlerts() {
  LoadAlertSettings();
  AddJournalListener(OnJournal);
  StartEventsFile(ReportFileProblem);
}

void StopAlerts() {
  StopEventsFile();
  RemoveJournalListener(OnJournal);
}

void ShowEventsFileProblem(ui::Handle owner) {
  ui::ShowMessage(owner,
                  "The event journal cannot be written: " + file_problem +
                      ".\nEvery event is kept and written as soon as the file can be written.",
                  "Warning", ui::Buttons::ok, ui::Icon::warning);
}

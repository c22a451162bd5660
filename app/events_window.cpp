#include "app/events_window.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "records/event_journal.h"
#include "records/poll_address.h"
#include "records/wall_time.h"
#include "resources/events_dialog.h"
#include "ui/dialog.h"

namespace {

constexpr unsigned refresh_timer = 1;
constexpr int all_devices = -2;  // the console's own events have address -1

ui::Handle events_window = ui::no_window;
bool changed = false;
// What each entry of the lists stands for, in their order.
std::vector<int> device_choices;
std::vector<std::string> kind_choices;
std::vector<std::int64_t> shown_ids;

void OnJournal(const journal_event&) {
  changed = true;
}

std::string DeviceText(int address, const std::string& part, const std::string& serial) {
  if (address < 0) return "Console";
  std::string text = "'" + AddressText(address) + "'";
  for (const std::string* field : {&part, &serial})
    if (!field->empty()) text += " " + *field;
  return text;
}

// "!" marks an alert waiting for acknowledgement.
std::string EventText(const journal_event& event) {
  std::string device = DeviceText(event.address, event.part, event.serial);
  device.resize(std::max<std::size_t>(device.size(), 28), ' ');
  return std::string(event.alert && !event.acknowledged ? "! " : "  ") + LocalTime(event.time_ms) +
         "  " + device + "  " + event.text;
}

bool Wanted(const journal_event& event, int device, const std::string& kind) {
  if (device != all_devices && event.address != device) return false;
  if (kind == "alerts") return event.alert;
  if (kind == "unacknowledged") return event.alert && !event.acknowledged;
  return kind.empty() || event.kind == kind;
}

template <typename T>
T Chosen(ui::Handle dialog, int id, const std::vector<T>& choices, T none) {
  const int index = ui::Selection(dialog, id);
  return index >= 0 && index < static_cast<int>(choices.size()) ? choices[index] : none;
}

// The filters offer what the journal holds; the choices made stay chosen.
void FillFilters(ui::Handle dialog) {
  const int device = Chosen(dialog, id_events_device, device_choices, all_devices);
  const std::string kind = Chosen(dialog, id_events_kind, kind_choices, std::string());
  std::map<int, std::string> devices;
  std::set<std::string> kinds;
  for (const journal_event& event : JournalEvents()) {
    devices[event.address] = DeviceText(event.address, event.part, event.serial);
    kinds.insert(event.kind);
  }
  if (devices.size() + 1 != device_choices.size()) {
    ui::ClearItems(dialog, id_events_device);
    device_choices.assign(1, all_devices);
    ui::AddItem(dialog, id_events_device, "All devices");
    for (const auto& [address, text] : devices) {
      device_choices.push_back(address);
      ui::AddItem(dialog, id_events_device, text);
    }
    const auto at = std::find(device_choices.begin(), device_choices.end(), device);
    ui::Select(dialog, id_events_device,
               at == device_choices.end() ? 0 : static_cast<int>(at - device_choices.begin()));
  }
  if (kinds.size() + 3 != kind_choices.size()) {
    ui::ClearItems(dialog, id_events_kind);
    kind_choices = {"", "alerts", "unacknowledged"};
    for (const char* text : {"All kinds", "Alerts", "Alerts not acknowledged"})
      ui::AddItem(dialog, id_events_kind, text);
    for (const std::string& name : kinds) {
      kind_choices.push_back(name);
      ui::AddItem(dialog, id_events_kind, name);
    }
    const auto at = std::find(kind_choices.begin(), kind_choices.end(), kind);
    ui::Select(dialog, id_events_kind,
               at == kind_choices.end() ? 0 : static_cast<int>(at - kind_choices.begin()));
  }
}

void FillList(ui::Handle dialog) {
  changed = false;
  FillFilters(dialog);
  const std::int64_t selected = Chosen(dialog, id_events_list, shown_ids, std::int64_t{0});
  const int device = Chosen(dialog, id_events_device, device_choices, all_devices);
  const std::string kind = Chosen(dialog, id_events_kind, kind_choices, std::string());
  ui::ClearItems(dialog, id_events_list);
  shown_ids.clear();
  const std::vector<journal_event>& events = JournalEvents();
  for (auto event = events.rbegin(); event != events.rend(); ++event) {
    // The newest only: the list stays quick to refill in a storm of events.
    if (shown_ids.size() == events_shown_limit) break;
    if (!Wanted(*event, device, kind)) continue;
    shown_ids.push_back(event->id);
    ui::AddItem(dialog, id_events_list, EventText(*event));
  }
  const auto at = std::find(shown_ids.begin(), shown_ids.end(), selected);
  if (at != shown_ids.end())
    ui::Select(dialog, id_events_list, static_cast<int>(at - shown_ids.begin()));
  ui::SetControlText(dialog, id_events_summary,
                     std::to_string(shown_ids.size()) + " of " + std::to_string(events.size()) +
                         " events shown, " + std::to_string(JournalUnacknowledged()) +
                         " alerts not acknowledged");
}

void Init(ui::Handle dialog) {
  events_window = dialog;
  device_choices.clear();
  kind_choices.clear();
  shown_ids.clear();
  ui::SetControlFont(dialog, id_events_list, ui::FontSpec{});
  AddJournalListener(OnJournal);
  FillList(dialog);
  ui::StartTimer(dialog, refresh_timer, events_refresh_ms);
}

void OnCommand(ui::Handle dialog, int id, unsigned notification) {
  switch (id) {
    case id_events_device:
    case id_events_kind:
      if (notification == ui::notify_selection_change) FillList(dialog);
      break;
    case id_events_acknowledge:
      if (notification == ui::notify_clicked)
        JournalAcknowledge(Chosen(dialog, id_events_list, shown_ids, std::int64_t{-1}));
      break;
    case id_events_acknowledge_all:
      if (notification == ui::notify_clicked) JournalAcknowledge(0);
      break;
    case ui::id_cancel:
      ui::FinishDialog(dialog, 0);
      break;
  }
}

}  // namespace

ui::Handle OpenEventsWindow(ui::Handle owner) {
  if (!ui::IsLive(events_window)) {
    events_window = ui::CreateModeless(EventsDialogTemplate(), owner, EventsCallBack);
    if (!events_window) return ui::no_window;
    ui::Show(events_window);
  }
  ui::BringToFront(events_window);
  return events_window;
}

ui::Result EventsCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      Init(dialog);
      return 1;
    case ui::msg_timer:
      if (changed) FillList(dialog);
      return 1;
    case ui::msg_command:
      OnCommand(dialog, ui::CommandId(word), ui::CommandNotification(word));
      return 1;
    case ui::msg_destroy:
      RemoveJournalListener(OnJournal);
      return 0;
    default:
      return 0;
  }
}

#include "records/event_journal.h"

#include <algorithm>

#include "records/device_records.h"
#include "records/wall_time.h"

namespace {

std::vector<journal_event> events;
std::vector<JournalListener> listeners;
std::int64_t last_id = 0;

void Tell(const journal_event& event) {
  // A listener may add or remove listeners while it is told: walk a copy.
  const std::vector<JournalListener> told = listeners;
  for (JournalListener listener : told) listener(event);
}

// Drops the oldest tenth in one pass, so that adding stays cheap.
void Trim() {
  std::size_t dropping = journal_limit / 10;
  std::erase_if(events, [&dropping](const journal_event& event) {
    if (dropping == 0 || (event.alert && !event.acknowledged)) return false;
    --dropping;
    return true;
  });
}

}  // namespace

std::int64_t JournalAdd(int address, const std::string& kind, const std::string& text, bool alert) {
  journal_event event;
  event.time_ms = NowMs();
  event.address = address;
  if (address >= 0 && address < device_count) {
    const device_struct& d = device_data[address];
    event.part.assign(d.part, strnlen(d.part, sizeof d.part));
    event.serial.assign(d.serial, strnlen(d.serial, sizeof d.serial));
  }
  event.kind = kind;
  event.text = text;
  event.alert = alert;
  return JournalAddEvent(std::move(event));
}

std::int64_t JournalAddEvent(journal_event event) {
  event.id = ++last_id;
  event.acknowledged = false;
  if (events.size() >= journal_limit) Trim();
  events.push_back(std::move(event));
  // Copied: a listener adding an event would move the vector under the reference.
  const journal_event added = events.back();
  Tell(added);
  return added.id;
}

bool JournalResult(int address, const std::string& kind, bool ok, const std::string& text) {
  JournalAdd(address, kind + (ok ? "_done" : "_failed"), text + (ok ? ": done" : ": failed"));
  return ok;
}

const std::vector<journal_event>& JournalEvents() {
  return events;
}

int JournalUnacknowledged() {
  return static_cast<int>(std::count_if(events.begin(), events.end(), [](const journal_event& e) {
    return e.alert && !e.acknowledged;
  }));
}

bool JournalAcknowledge(std::int64_t id) {
  bool changed = false;
  for (journal_event& event : events) {
    if (!event.alert || event.acknowledged || (id != 0 && event.id != id)) continue;
    event.acknowledged = true;
    changed = true;
  }
  if (changed) {
    journal_event told;
    told.id = id;
    told.time_ms = NowMs();
    told.kind = "acknowledged";
    Tell(told);
  }
  return changed;
}

void AddJournalListener(JournalListener listener) {
  if (std::find(listeners.begin(), listeners.end(), listener) == listeners.end())
    listeners.push_back(listener);
}

void RemoveJournalListener(JournalListener listener) {
  std::erase(listeners, listener);
}

void JournalClear() {
  events.clear();
  last_id = 0;
}

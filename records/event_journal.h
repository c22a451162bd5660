// The console's journal of what happened: device transitions and the
// operator's actions with their results. The journal is held in memory for
// the whole run; writers (the events file, the Events window, the alerts,
// the trend marks) follow it through listeners.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct journal_event {
  std::int64_t id = 0;       // 1, 2, 3... in the order events were added
  std::int64_t time_ms = 0;  // milliseconds since 1970, UTC
  int address = -1;          // poll address, -1 for the console itself
  std::string part;          // the device's identity when known
  std::string serial;
  std::string kind;           // "fault_raised", "contact_lost", "config_sent"... one word
  std::string text;           // what happened, for people
  bool alert = false;         // asks for the operator's acknowledgement
  bool acknowledged = false;  // only alerts are ever acknowledged
};

// Adds an event stamped now (wall clock) with the device's part and serial
// from its record, tells every listener, and returns its id.
std::int64_t JournalAdd(int address, const std::string& kind, const std::string& text,
                        bool alert = false);
// The same with every field given (time and identity included); id is assigned.
std::int64_t JournalAddEvent(journal_event event);

// The result of an operator's action: kind + "_done" with text + ": done",
// or kind + "_failed" with text + ": failed". Returns ok.
bool JournalResult(int address, const std::string& kind, bool ok, const std::string& text);

// The events of this run, oldest first. The journal is bounded like a
// scrollback: past journal_limit events the oldest tenth goes, except alerts
// still waiting for acknowledgement (the events file keeps everything).
constexpr std::size_t journal_limit = 100000;
const std::vector<journal_event>& JournalEvents();
// Alerts not yet acknowledged.
int JournalUnacknowledged();
// Acknowledges one alert (by id), or every alert with id 0. True when some
// alert changed; listeners are told with kind "acknowledged".
bool JournalAcknowledge(std::int64_t id);

// Told of every event added and of every acknowledgement.
using JournalListener = void (*)(const journal_event& event);
void AddJournalListener(JournalListener listener);
void RemoveJournalListener(JournalListener listener);

// Forgets every event (tests, and a console starting over).
void JournalClear();

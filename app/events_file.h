// events.txt in the program directory: every journal event appended as one
// line, CR LF ended, fields separated by tabs:
//   2026-12-08T15:30:00.123Z <TAB> address <TAB> part <TAB> serial <TAB> kind <TAB> text
// (UTC with milliseconds; the address as the operator reads it, empty for the
// console itself). The file is only ever appended to. An event that cannot be
// written waits in memory and goes out, in order, with the next one that can.
#pragma once

#include <cstddef>
#include <string>

#include "records/event_journal.h"

// The line an event takes in the file, CR LF included.
std::string EventLine(const journal_event& event);

// Follows the journal from now on. report is told once when the file cannot be
// written (and once again after it could be written in between).
using EventsFileReport = void (*)(const std::string& problem);
void StartEventsFile(EventsFileReport report);
void StopEventsFile();
// Events held because the file could not be written.
std::size_t EventsFileWaiting();

#include "app/events_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>

#include "config/program_directory.h"
#include "records/poll_address.h"
#include "records/wall_time.h"

namespace {

EventsFileReport reporter = nullptr;
std::deque<std::string> waiting;
bool reported = false;
// A write cut short left part of a line: the next write ends it first, so
// that every complete line stays readable.
bool cut_line = false;

// Tabs and line ends inside a field would break the line into others.
std::string Field(const std::string& text) {
  std::string field = text;
  for (char& c : field)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return field;
}

// Writes what waits, oldest first; an empty string when all went out.
std::string WriteWaiting() {
  char name[sizeof save_directory + 16];
  if (!ProgramFileName(name, sizeof name, "events.txt"))
    return std::string("the program directory is too long for events.txt: ") + save_directory;
  const int file = open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (file < 0) return std::string("cannot open ") + name + ": " + std::strerror(errno);
  std::string problem;
  while (!waiting.empty()) {
    const std::string line = (cut_line ? "\r\n" : "") + waiting.front();
    const ssize_t written = write(file, line.data(), line.size());
    if (written == static_cast<ssize_t>(line.size())) {
      cut_line = false;
      waiting.pop_front();
      continue;
    }
    if (written > 0) cut_line = true;
    problem =
        std::string("cannot write ") + name + ": " + std::strerror(written < 0 ? errno : ENOSPC);
    break;
  }
  close(file);
  return problem;
}

void OnJournal(const journal_event& event) {
  if (event.id <= 0 || event.kind == "acknowledged") return;
  waiting.push_back(EventLine(event));
  const std::string problem = WriteWaiting();
  if (problem.empty()) {
    reported = false;
  } else if (!reported) {
    reported = true;
    if (reporter) reporter(problem);
  }
}

}  // namespace

std::string EventLine(const journal_event& event) {
  const std::string address = event.address >= 0 ? AddressText(event.address) : "";
  return UtcTime(event.time_ms) + '\t' + Field(address) + '\t' + Field(event.part) + '\t' +
         Field(event.serial) + '\t' + Field(event.kind) + '\t' + Field(event.text) + "\r\n";
}

void StartEventsFile(EventsFileReport report) {
  reporter = report;
  reported = false;
  AddJournalListener(OnJournal);
}

void StopEventsFile() {
  RemoveJournalListener(OnJournal);
}

std::size_t EventsFileWaiting() {
  return waiting.size();
}

// Status logs: one text file per amplifier, only ever appended to.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

constexpr std::size_t time_stamp_size = 80;
// Room for a log file name: the program directory, part, serial, ".txt".
constexpr std::size_t log_name_size = 1100;
// GetLogLine stores at most this many characters and a terminating zero.
constexpr int log_line_length = 255;

// "<program directory><part> <serial>.txt" into buffer (log_name_size bytes).
// Empty when part or serial could lead out of the program directory.
void LogFileName(int address, char* buffer);
// Opens (or reopens) the address's log, appending. With verify, an existing
// file is only taken after the operator confirms part and serial. 1 = done,
// also when the file cannot be opened; 0 = the operator refused the file, and
// a log that was open stays open. The next status answer writes the
// starting hours.
int CreateLog(int device, int verify);
// The prior-log question of CreateLog for an identity not yet stored: true
// when no log exists for part and serial or the operator confirms them.
bool PriorLogAccepted(const std::string& part, const std::string& serial);

// "6 Dec 26, 05:09" in local time.
void TimeStamp(char* buffer);
// Appends "<time stamp>,  <text>" CR LF, or the separator line when text is null.
void WriteLog(int address, const char* text);
void LogColumnTitles(int address);
// The comments in double quotes, when there are any.
void LogComments(int address);
// The starting hours line from the hours just received, when hours are logged.
void LogHours(int address);
// Ending hours (when hours are logged), separator, close. No log: nothing.
void CloseLog(int address);
// Called on every polling tick: a value line per open log once per interval.
void UpdateLogFiles(int lognow);
// Reads one line into buffer (log_line_length + 1 bytes), CR and LF dropped;
// a longer line comes back in pieces. 0 at the end of the file, else 1.
int GetLogLine(std::FILE* file, char* buffer);

// Status logs: one text file per amplifier, only ever appended to.
#pragma once

#include <cstddef>

constexpr std::size_t time_stamp_size = 80;

// "6 Dec 26, 05:09" in local time.
void TimeStamp(char* buffer);
// Appends "<time stamp>,  <text>" CR LF, or the separator line when text is null.
void WriteLog(int address, const char* text);
void LogColumnTitles(int address);
// Ending hours (when hours are logged), separator, close. No log: nothing.
void CloseLog(int address);
// Called on every polling tick: a value line per open log once per interval.
void UpdateLogFiles(int lognow);

// The program directory: every settings and log file lives directly in it.
#pragma once

#include <cstddef>

// The directory with one trailing separator, or empty (the current directory)
// when it could not be found.
extern char save_directory[1024];

// Takes the current directory as the program directory. Returns false, leaving
// save_directory empty, when the directory is unknown or longer than 1000
// characters.
bool SetProgramDirectoryFromCurrent();

// Writes save_directory followed directly by name into out. Returns false, with
// out empty, when the whole name does not fit into size bytes.
bool ProgramFileName(char* out, std::size_t size, const char* name);

// Loading a Model.cfg file from disk into the line table.
#pragma once

#include <cstdio>

// Reads one line up to and including its line feed, or until size - 1 bytes
// are held; terminates it with a zero, stores the byte count in *count and
// returns 1 when the line ended with a line feed.
int ReadFileLine(std::FILE* file, char* buffer, int size, int* count);
// Replaces the table with the file at transfer_filepath. On any failure (the
// file cannot be opened, more lines than the table holds) the operator is
// told and the table stays as it was; 1 on success.
int ProcessReceivedFile();

// Starting a helper program for tests with its standard output on a pipe.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace test_support {

// Starts words[0] with the words as its arguments; true with its process id
// and the read end of its standard output, or false with the reason.
bool SpawnWithOutput(std::vector<std::string> words, pid_t* pid, int* output, std::string* error);

}  // namespace test_support

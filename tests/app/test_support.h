// Shared pieces of the console tests: a scratch program directory and a
// pseudo-terminal standing in for the serial line.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "config/program_directory.h"

// Makes a fresh directory the working and program directory for one test.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    char pattern[] = "/tmp/corvane-test-XXXXXX";
    path_ = mkdtemp(pattern);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
    SetProgramDirectoryFromCurrent();
  }
  ~ScratchDirectory() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(path_);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

 private:
  std::string path_;
  std::filesystem::path previous_;
};

// The master side of a pseudo-terminal; the console opens the slave by path.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    grantpt(master_);
    unlockpt(master_);
    slave_path_ = ptsname(master_);
  }
  ~PseudoTerminal() { close(master_); }
  const std::string& SlavePath() const { return slave_path_; }
  int Master() const { return master_; }

 private:
  int master_ = -1;
  std::string slave_path_;
};

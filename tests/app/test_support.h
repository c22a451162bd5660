// Shared pieces of the console tests: a scratch program directory, a
// pseudo-terminal standing in for the serial line and a comma locale.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "config/program_directory.h"
#include "ui/window.h"

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

// Switches the C library to a locale that writes decimal commas once the
// application exists, as if nothing kept the numbers to C conventions; back to
// what it was afterwards.
class CommaLocale {
 public:
  CommaLocale() {
    ui::InitApplication(0, nullptr);
    before_ = std::setlocale(LC_ALL, nullptr);
    active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() { std::setlocale(LC_ALL, before_.c_str()); }
  bool Active() const { return active_; }

 private:
  std::string before_;
  bool active_ = false;
};

constexpr char no_comma_locale[] = "de_DE.UTF-8 is not generated";

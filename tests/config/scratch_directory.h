// A fresh temporary program directory for one test, removed afterwards.
#pragma once

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "config/program_directory.h"

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device random;
    do {
      path_ =
          std::filesystem::temp_directory_path() / ("corvane-config-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
    const std::string prefix = (path_ / "").string();
    std::strcpy(save_directory, prefix.c_str());
  }
  ~ScratchDirectory() {
    save_directory[0] = '\0';
    std::filesystem::remove_all(path_);
  }
  std::filesystem::path File(const std::string& name) const { return path_ / name; }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::filesystem::path path_;
};

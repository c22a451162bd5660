#include "config/program_directory.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

char save_directory[1024] = "";

namespace {

constexpr std::size_t directory_limit = 1000;
constexpr char separator = static_cast<char>(std::filesystem::path::preferred_separator);

}  // namespace

bool SetProgramDirectoryFromCurrent() {
  save_directory[0] = '\0';
  std::error_code error;
  const std::string directory = std::filesystem::current_path(error).string();
  if (error || directory.empty() || directory.size() > directory_limit) return false;
  std::memcpy(save_directory, directory.c_str(), directory.size() + 1);
  // The root directory already ends with its separator.
  if (directory.back() != separator) {
    save_directory[directory.size()] = separator;
    save_directory[directory.size() + 1] = '\0';
  }
  return true;
}

bool ProgramFileName(char* out, std::size_t size, const char* name) {
  if (size == 0) return false;
  const int length = std::snprintf(out, size, "%s%s", save_directory, name);
  if (length < 0 || static_cast<std::size_t>(length) >= size) {
    out[0] = '\0';
    return false;
  }
  return true;
}

// Replacing a file whole or not at all: the new contents go to a temporary
// file beside it, which is flushed to disk and then renamed over the old one.
// A failure anywhere leaves the old file as it was and no temporary behind.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

// The file operations the replacement uses, so that tests can make any of
// them fail.
struct replace_file_ops {
  int (*create_temporary)(char* name_template);  // as mkstemp
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  int (*sync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
};

extern const replace_file_ops system_file_ops;
extern const replace_file_ops* file_ops;  // system_file_ops unless a test put others here

class replacement_file {
 public:
  explicit replacement_file(const std::string& path);
  ~replacement_file();  // removes the temporary unless Commit succeeded
  replacement_file(const replacement_file&) = delete;
  replacement_file& operator=(const replacement_file&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Every byte or false; after a failure further writes do nothing.
  bool Write(const char* data, std::size_t size);
  // Flushes, closes and renames over the target; true when the target holds
  // exactly what was written.
  bool Commit();

 private:
  std::string path_;
  std::string temporary_;
  int fd_ = -1;
  bool failed_ = false;
  bool committed_ = false;
};

#include "modelcfg/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace {

int CreateTemporary(char* name_template) {
  return mkstemp(name_template);
}
ssize_t WriteSome(int fd, const void* data, std::size_t size) {
  return write(fd, data, size);
}
int Sync(int fd) {
  return fsync(fd);
}
int Close(int fd) {
  return close(fd);
}
int Rename(const char* from, const char* to) {
  return std::rename(from, to);
}

// mkstemp makes the file private; a saved file gets the usual permissions.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

const replace_file_ops system_file_ops{CreateTemporary, WriteSome, Sync, Close, Rename};
const replace_file_ops* file_ops = &system_file_ops;

replacement_file::replacement_file(const std::string& path) : path_(path) {
  std::vector<char> name(path.begin(), path.end());
  const char suffix[] = ".XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);
  fd_ = file_ops->create_temporary(name.data());
  if (fd_ < 0) return;
  temporary_ = name.data();
  struct stat old_file;
  fchmod(fd_, stat(path.c_str(), &old_file) == 0 ? (old_file.st_mode & 07777) : NewFileMode());
}

replacement_file::~replacement_file() {
  if (committed_ || temporary_.empty()) return;
  if (fd_ >= 0) file_ops->close(fd_);
  unlink(temporary_.c_str());
}

bool replacement_file::Write(const char* data, std::size_t size) {
  while (!failed_ && size > 0) {
    const ssize_t written = fd_ < 0 ? -1 : file_ops->write(fd_, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      failed_ = true;
      break;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return !failed_;
}

bool replacement_file::Commit() {
  if (failed_ || fd_ < 0) return false;
  const bool synced = file_ops->sync(fd_) == 0;
  const bool closed = file_ops->close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed || file_ops->rename(temporary_.c_str(), path_.c_str()) != 0) {
    failed_ = true;
    return false;
  }
  committed_ = true;
  return true;
}

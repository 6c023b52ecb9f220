#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/append_file.h"

namespace vo_tools::platform {
namespace {

int OpenForAppend(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::unique_ptr<AppendFile> AppendFile::Open(const std::string& path) {
  const int fd = OpenForAppend(path);
  if (fd < 0) return nullptr;
  return std::unique_ptr<AppendFile>(new AppendFile(fd));
}

AppendFile::~AppendFile() {
  close(static_cast<int>(native_));
}

bool AppendFile::Append(const char* data, std::size_t size) {
  const int fd = static_cast<int>(native_);
  // A regular file takes the whole chunk in one write; the loop only covers
  // a signal or a nearly full disk cutting it short.
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool AppendFile::Size(std::uint64_t* size) const {
  struct stat info;
  if (fstat(static_cast<int>(native_), &info) != 0) return false;
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool AppendFile::IsNamedBy(const std::string& path) const {
  struct stat open_file;
  struct stat named;
  if (fstat(static_cast<int>(native_), &open_file) != 0) return false;
  if (stat(path.c_str(), &named) != 0) return false;
  return open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

bool AppendFile::Reopen(const std::string& path) {
  const int fresh = OpenForAppend(path);
  if (fresh < 0) return false;
  // dup3 swaps the open file behind our descriptor in one step, so a
  // concurrent write never meets a closed or reused descriptor; unlike dup2
  // it keeps the descriptor closed on exec, as the first open made it.
  int result;
  do {
    result = dup3(fresh, static_cast<int>(native_), O_CLOEXEC);
  } while (result < 0 && errno == EINTR);
  close(fresh);
  return result >= 0;
}

bool AppendFile::Lock() {
  int result;
  do {
    result = flock(static_cast<int>(native_), LOCK_EX);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

void AppendFile::Unlock() {
  flock(static_cast<int>(native_), LOCK_UN);
}

std::FILE* OpenTextForAppend(const std::string& path) {
  // POSIX has no text mode; "e" keeps the descriptor closed on exec.
  return std::fopen(path.c_str(), "ae");
}

bool RenameFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
  return std::remove(path.c_str()) == 0;
}

}  // namespace vo_tools::platform

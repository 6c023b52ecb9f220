#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/append_file.h"

namespace vo_tools::platform {
namespace {

int OpenWith(const std::string& path, int access) {
  int fd;
  do {
    fd = open(path.c_str(), access | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Read access lets EndsMidLine look at the last byte; a file this process
// may write but not read is still appended to.
int OpenForAppend(const std::string& path) {
  const int fd = OpenWith(path, O_RDWR);
  if (fd >= 0 || errno != EACCES) return fd;
  return OpenWith(path, O_WRONLY);
}

// A write lock on the whole file. POSIX record locks belong to the process,
// not to the open file: a child forked while the parent holds one does not
// hold it too, as it would a flock on the open file they share.
bool SetLock(int fd, short type, int command) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  int result;
  do {
    result = fcntl(fd, command, &lock);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

}  // namespace

std::unique_ptr<AppendFile> AppendFile::Open(const std::string& path, Mode /*mode*/) {
  // POSIX has no text mode: a line feed is the line end.
  const int fd = OpenForAppend(path);
  if (fd < 0) return nullptr;
  return std::unique_ptr<AppendFile>(new AppendFile(fd));
}

AppendFile::~AppendFile() {
  close(static_cast<int>(native_));
}

bool AppendFile::Append(const char* data, std::size_t size, std::uint64_t* stored) {
  const int fd = static_cast<int>(native_);
  if (stored != nullptr) *stored = 0;
  // A regular file takes the whole chunk in one write; the loop only covers
  // a signal or a nearly full disk cutting it short.
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    if (stored != nullptr) *stored += static_cast<std::uint64_t>(written);
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

bool AppendFile::IsRemoved() const {
  struct stat open_file;
  return fstat(static_cast<int>(native_), &open_file) == 0 && open_file.st_nlink == 0;
}

bool AppendFile::EndsMidLine() const {
  std::uint64_t size = 0;
  if (!Size(&size)) return true;
  if (size == 0) return false;
  char last = 0;
  ssize_t got;
  do {
    got = pread(static_cast<int>(native_), &last, 1, static_cast<off_t>(size - 1));
  } while (got < 0 && errno == EINTR);
  return got != 1 || last != '\n';
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
  return SetLock(static_cast<int>(native_), F_WRLCK, F_SETLKW);
}

void AppendFile::Unlock() {
  SetLock(static_cast<int>(native_), F_UNLCK, F_SETLK);
}

bool RenameFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
  return std::remove(path.c_str()) == 0;
}

}  // namespace vo_tools::platform

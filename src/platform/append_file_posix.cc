#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <system_error>
#include <thread>

#include "platform/append_file.h"
#include "platform/fault_hooks.h"

namespace vo_tools::platform {
namespace {

// Sets errno as a fault a test put in would; true when there is one. Never
// in what ships, where the branch is discarded.
bool Injected(FileOp op) {
  if constexpr (kTestSeams) {
    switch (InjectedFault(op)) {
      case FileFault::kNone:
        return false;
      case FileFault::kNoAccess:
        errno = EACCES;
        return true;
      case FileFault::kNoDescriptors:
        errno = EMFILE;
        return true;
      case FileFault::kNoEntry:
        errno = ENOENT;
        return true;
      default:
        errno = ENOSPC;
        return true;
    }
  }
  return false;
}

// Stores why an open failed, when the caller asked; -1, as for a failed open.
int Failed(OpenFailure* failure, OpenError error, int code) {
  if (failure != nullptr) *failure = {error, code};
  return -1;
}

// The reason for an open that failed with `error`.
int FailedWith(OpenFailure* failure, int error) {
  switch (error) {
    case ENOENT:  // with O_CREAT: a directory on the path is missing
      return Failed(failure, OpenError::kNoDirectory, error);
    case ENOTDIR:
      return Failed(failure, OpenError::kNotADirectory, error);
    case EACCES:
    case EPERM:
    case EROFS:
      return Failed(failure, OpenError::kNoPermission, error);
    case ENAMETOOLONG:
      return Failed(failure, OpenError::kNameTooLong, error);
    case EISDIR:
      return Failed(failure, OpenError::kNotRegularFile, error);
    default:
      return Failed(failure, OpenError::kSystemError, error);
  }
}

// The directory part of `path`, "." when it has none.
std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// True when a user other than the process's own (and root) may create or
// replace names in `path`'s directory: it is writable by others or by its
// group, or its owner is another user. A directory that cannot be read
// counts as shared.
bool DirectoryIsShared(const std::string& path) {
  struct stat info;
  if (stat(DirectoryOf(path).c_str(), &info) != 0) return true;
  if ((info.st_mode & (S_IWOTH | S_IWGRP)) != 0) return true;
  return info.st_uid != geteuid() && info.st_uid != 0 && (info.st_mode & S_IWUSR) != 0;
}

int OpenWith(const std::string& path, int access) {
  int fd;
  do {
    fd = open(path.c_str(), access | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// A descriptor of 3 or more for the same open file; `fd` is closed.
int AboveTheStandardDescriptors(int fd) {
  if (fd < 0 || fd > STDERR_FILENO) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  const int error = errno;
  close(fd);
  errno = error;
  return moved;
}

// What the rule for a directory others can write says of the open file
// `fd`: kNone when the process's effective user owns it and, for a regular
// file, no other name links to it.
OpenFailure SharedDirectoryRefusal(int fd) {
  struct stat info;
  if (fstat(fd, &info) != 0) return {OpenError::kSystemError, errno};
  if (info.st_uid != geteuid()) return {OpenError::kSharedDirectoryOtherOwner, EACCES};
  if (S_ISREG(info.st_mode) && info.st_nlink != 1) {
    return {OpenError::kSharedDirectoryHardLink, EACCES};
  }
  return {};
}

// Read access lets EndsMidLine look at the last byte; a file this process
// may write but not read is still appended to. Non-blocking, a FIFO opens
// whether or not it has a reader, and a write it cannot take fails at once.
// The policy of the header's comment is applied here, once for both logs.
int OpenForAppend(const std::string& path, OpenFailure* failure) {
  if (Injected(FileOp::kOpen)) return FailedWith(failure, errno);
  const bool shared = DirectoryIsShared(path);
  const int nofollow = shared ? O_NOFOLLOW : 0;
  int fd = OpenWith(path, O_RDWR | nofollow);
  if (fd < 0 && errno == EACCES) fd = OpenWith(path, O_WRONLY | nofollow);
  // O_NOFOLLOW fails a symbolic link at the last step with ELOOP.
  if (fd < 0 && shared && errno == ELOOP) {
    return Failed(failure, OpenError::kSharedDirectorySymlink, ELOOP);
  }
  if (fd < 0) return FailedWith(failure, errno);
  if (shared) {
    const OpenFailure refusal = SharedDirectoryRefusal(fd);
    if (refusal.error != OpenError::kNone) {
      close(fd);
      return Failed(failure, refusal.error, refusal.code);
    }
  }
  fd = AboveTheStandardDescriptors(fd);
  return fd >= 0 ? fd : FailedWith(failure, errno);
}

// The longest pause between two tries of a lock another process holds.
constexpr std::chrono::microseconds kMaxPause{5000};

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

std::string SystemErrorText(int code) {
  return std::generic_category().message(code);
}

std::unique_ptr<AppendFile> AppendFile::Open(const std::string& path, Mode /*mode*/,
                                             OpenFailure* failure) {
  // POSIX has no text mode: a line feed is the line end.
  const int fd = OpenForAppend(path, failure);
  if (fd < 0) return nullptr;
  return std::unique_ptr<AppendFile>(new AppendFile(fd));
}

AppendFile::~AppendFile() {
  close(static_cast<int>(native_));
}

bool AppendFile::Append(const char* data, std::size_t size, std::uint64_t* stored) {
  const int fd = static_cast<int>(native_);
  if (stored != nullptr) *stored = 0;
  if constexpr (kTestSeams) {
    const FileFault fault = InjectedFault(FileOp::kAppend);
    if (fault == FileFault::kShortWrite || fault == FileFault::kExit) {
      const ssize_t half = write(fd, data, size / 2);
      if (stored != nullptr && half > 0) *stored = static_cast<std::uint64_t>(half);
      if (fault == FileFault::kExit) ExitAsInjected();
      errno = ENOSPC;
      return false;
    }
    if (fault != FileFault::kNone) return false;
  }
  // A regular file takes the whole text in one write; the loop only covers
  // a signal or a nearly full disk cutting it short. Anything else was
  // opened non-blocking: what it cannot take at once fails the append.
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
  if (Injected(FileOp::kSize)) return false;
  struct stat info;
  if (fstat(static_cast<int>(native_), &info) != 0) return false;
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool AppendFile::IsNamedBy(const std::string& path) const {
  if (Injected(FileOp::kIdentity)) return false;
  struct stat open_file;
  struct stat named;
  if (fstat(static_cast<int>(native_), &open_file) != 0) return false;
  if (stat(path.c_str(), &named) != 0) return false;
  return open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

bool AppendFile::IsRemoved() const {
  if (Injected(FileOp::kIdentity)) return false;
  struct stat open_file;
  return fstat(static_cast<int>(native_), &open_file) == 0 && open_file.st_nlink == 0;
}

bool AppendFile::IsRegular() const {
  if (Injected(FileOp::kIdentity)) return true;
  struct stat open_file;
  return fstat(static_cast<int>(native_), &open_file) != 0 || S_ISREG(open_file.st_mode);
}

// A size read while another writer's append is under way may end inside
// that append: the kernel grows the file a page at a time as it copies. So a
// last byte that is no line feed counts at once only when the size is not a
// multiple of 4096 (a page); at a page's end it is read again a few times,
// letting such a writer finish.
bool AppendFile::EndsMidLine() const {
  if (Injected(FileOp::kLastByte)) return true;
  const int fd = static_cast<int>(native_);
  for (int attempt = 0; attempt < 64; ++attempt) {
    struct stat open_file;
    if (fstat(fd, &open_file) != 0) return true;
    if (!S_ISREG(open_file.st_mode)) return false;
    const off_t size = open_file.st_size;
    if (size == 0) return false;
    char last = 0;
    ssize_t got;
    do {
      got = pread(fd, &last, 1, size - 1);
    } while (got < 0 && errno == EINTR);
    if (got == 1 && last == '\n') return false;
    if (got != 1 || size % 4096 != 0) return true;
    sched_yield();
  }
  return true;
}

bool AppendFile::Reopen(const std::string& path) {
  const int fresh = OpenForAppend(path, nullptr);
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

// Polled rather than waited for (F_SETLKW): a process that holds the lock
// for long, stopped in a debugger or in another tool, must not hold up the
// texts of every other process.
AppendFile::Locked AppendFile::Lock(std::chrono::steady_clock::time_point give_up) {
  if (Injected(FileOp::kLock)) return Locked::kFailed;
  for (auto pause = std::chrono::microseconds(100);; pause = std::min(pause * 2, kMaxPause)) {
    if (SetLock(static_cast<int>(native_), F_WRLCK, F_SETLK)) return Locked::kLocked;
    if (errno != EACCES && errno != EAGAIN) return Locked::kFailed;
    if (std::chrono::steady_clock::now() >= give_up) return Locked::kBusy;
    std::this_thread::sleep_for(pause);
  }
}

void AppendFile::Unlock() {
  SetLock(static_cast<int>(native_), F_UNLCK, F_SETLK);
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (Injected(FileOp::kRename)) return false;
  return std::rename(from.c_str(), to.c_str()) == 0;
}

const std::size_t kRemoveFileExtraLength = 0;

bool RemoveFile(const std::string& path) {
  if (Injected(FileOp::kRemove)) return false;
  return std::remove(path.c_str()) == 0;
}

bool FileSizeOf(const std::string& path, std::uint64_t* size) {
  if (Injected(FileOp::kSize)) return false;
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    *size = 0;
    return errno == ENOENT;
  }
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool EmptyFile(const std::string& /*path*/) {
  return false;
}

bool CopyThenEmpty(const std::string& /*from*/, const std::string& /*to*/) {
  return false;
}

}  // namespace vo_tools::platform

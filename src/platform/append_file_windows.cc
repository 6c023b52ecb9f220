#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "platform/append_file.h"
#include "platform/env.h"
#include "platform/fault_hooks.h"
#include "wide_text_windows.h"

namespace vo_tools::platform {
namespace {

// Windows cannot put a new file behind an existing handle, as dup3 does on
// POSIX; the object's native value is this record instead, which Reopen
// changes under the mutex so that an Append never meets a closed handle.
// Appends take the mutex too: Windows makes each append-only write land
// whole, but Wine finds the end of the file and then writes there, so two
// threads of one process could write over each other.
struct OpenFile {
  std::mutex mutex;
  HANDLE handle;
  bool text;  // line feeds go to disk as CR LF
};

// Sets the last error as a fault a test put in would; true when there is
// one. Never in what ships, where the branch is discarded.
bool Injected(FileOp op) {
  if constexpr (kTestSeams) {
    switch (InjectedFault(op)) {
      case FileFault::kNone:
        return false;
      case FileFault::kNoAccess:
        SetLastError(ERROR_ACCESS_DENIED);
        return true;
      case FileFault::kNoDescriptors:
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return true;
      case FileFault::kNoEntry:
        SetLastError(ERROR_FILE_NOT_FOUND);
        return true;
      default:
        SetLastError(ERROR_DISK_FULL);
        return true;
    }
  }
  return false;
}

// The directory part of `path`, "." when it has none.
std::string DirectoryOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? "." : path.substr(0, separator);
}

bool IsDirectory(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The reason for an open of `path` that failed with `code`. Windows says
// "path not found" also when a step of the path is a file: the parent tells.
OpenFailure FailureOf(DWORD code, const std::string& path) {
  const int error = static_cast<int>(code);
  switch (code) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_DIRECTORY: {
      const DWORD parent = GetFileAttributesW(Wide(DirectoryOf(path)).c_str());
      if (parent != INVALID_FILE_ATTRIBUTES && !IsDirectory(parent)) {
        return {OpenError::kNotADirectory, error};
      }
      return {OpenError::kNoDirectory, error};
    }
    case ERROR_ACCESS_DENIED:
      if (IsDirectory(GetFileAttributesW(Wide(path).c_str())))
        return {OpenError::kNotRegularFile, error};
      return {OpenError::kNoPermission, error};
    case ERROR_WRITE_PROTECT:
      return {OpenError::kNoPermission, error};
    case ERROR_FILENAME_EXCED_RANGE:
      return {OpenError::kNameTooLong, error};
    default:
      return {OpenError::kSystemError, error};
  }
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

OpenFile* Record(std::intptr_t native) {
  return reinterpret_cast<OpenFile*>(native);
}

// Append-only access makes every WriteFile land whole at the end of the file,
// also between processes. Sharing delete lets another process rotate the file
// by renaming it while this one still holds it, as on POSIX. The handle is
// not inherited by child processes.
HANDLE OpenForAppend(const std::string& path, OpenFailure* failure) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!Injected(FileOp::kOpen)) {
    handle =
        CreateFileW(Wide(path).c_str(), FILE_READ_DATA | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                    kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE && failure != nullptr) {
    *failure = FailureOf(GetLastError(), path);
  }
  return handle;
}

std::string WithCrLf(const char* data, std::size_t size) {
  std::string text;
  text.reserve(size + size / 16 + 2);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') text += '\r';
    text += data[i];
  }
  return text;
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first;
  BY_HANDLE_FILE_INFORMATION second;
  if (!GetFileInformationByHandle(a, &first) || !GetFileInformationByHandle(b, &second)) {
    return false;
  }
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

// The file lock is a lock on one byte far past any end of file: Windows
// locks are mandatory, so a lock over the data makes other processes'
// appends fail. CopyThenEmpty locks the data, below that byte, for just
// that: appends then wait (Append retries them) until the copy is done.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFFE;
constexpr DWORD kDataLockLengthHigh = kLockOffsetHigh;

OVERLAPPED LockPosition() {
  OVERLAPPED position = {};
  position.Offset = kLockOffsetLow;
  position.OffsetHigh = kLockOffsetHigh;
  return position;
}

// The longest pause between two tries of a lock another process holds.
constexpr std::chrono::microseconds kMaxPause{5000};

// Tries `attempt` until it succeeds, fails for another reason than a lock
// another process holds, or `give_up` passes.
template <typename Attempt>
bool RetriedWhileLocked(Attempt attempt, std::chrono::steady_clock::time_point give_up) {
  for (auto pause = std::chrono::microseconds(100);; pause = std::min(pause * 2, kMaxPause)) {
    if (attempt()) return true;
    if (GetLastError() != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= give_up) {
      return false;
    }
    std::this_thread::sleep_for(pause);
  }
}

bool Truncate(HANDLE file) {
  LARGE_INTEGER start = {};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

// Copies all of `from` (read from its start) to `to`, at its current end.
bool CopyContents(HANDLE from, HANDLE to) {
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(from, start, nullptr, FILE_BEGIN)) return false;
  std::string buffer(1 << 16, '\0');
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return false;
    }
    if (got == 0) return true;
    DWORD written = 0;
    if (!WriteFile(to, buffer.data(), got, &written, nullptr) || written != got) return false;
  }
}

}  // namespace

std::string SystemErrorText(int code) {
  char text[512] = {};
  const DWORD size =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  std::string words(text, size);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) {
    words.pop_back();
  }
  if (words.empty()) words = "error " + std::to_string(code);
  return words;
}

std::unique_ptr<AppendFile> AppendFile::Open(const std::string& path, Mode mode,
                                             OpenFailure* failure) {
  HANDLE handle = OpenForAppend(path, failure);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  auto* record = new OpenFile{{}, handle, mode == Mode::kText};
  return std::unique_ptr<AppendFile>(new AppendFile(reinterpret_cast<std::intptr_t>(record)));
}

AppendFile::~AppendFile() {
  OpenFile* record = Record(native_);
  CloseHandle(record->handle);
  delete record;
}

bool AppendFile::Append(const char* data, std::size_t size, std::uint64_t* stored) {
  OpenFile* record = Record(native_);
  if (stored != nullptr) *stored = 0;
  // Text mode makes the whole text CR LF first, so that it still goes to the
  // file in one write and cannot meet another process's line halfway.
  std::string translated;
  if (record->text) {
    translated = WithCrLf(data, size);
    data = translated.data();
    size = translated.size();
  }
  // The hook runs outside the lock, as on POSIX: a test that stalls one
  // write there stalls no other call on the file.
  FileFault fault = FileFault::kNone;
  if constexpr (kTestSeams) fault = InjectedFault(FileOp::kAppend);
  std::lock_guard<std::mutex> lock(record->mutex);
  if constexpr (kTestSeams) {
    if (fault == FileFault::kShortWrite || fault == FileFault::kExit) {
      DWORD half = 0;
      WriteFile(record->handle, data, static_cast<DWORD>(size / 2), &half, nullptr);
      if (stored != nullptr) *stored = half;
      if (fault == FileFault::kExit) ExitAsInjected();
      return false;
    }
    if (fault != FileFault::kNone) return false;
  }
  // Another process's CopyThenEmpty holds the data locked for as long as
  // its copy takes: the write waits it out, within kLockPatience.
  const auto give_up = std::chrono::steady_clock::now() + kLockPatience;
  while (size > 0) {
    const DWORD part = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    const auto write = [&] {
      return WriteFile(record->handle, data, part, &written, nullptr) != 0;
    };
    if (!RetriedWhileLocked(write, give_up) || written == 0) return false;
    if (stored != nullptr) *stored += written;
    data += written;
    size -= written;
  }
  return true;
}

bool AppendFile::Size(std::uint64_t* size) const {
  if (Injected(FileOp::kSize)) return false;
  OpenFile* record = Record(native_);
  std::lock_guard<std::mutex> lock(record->mutex);
  LARGE_INTEGER length;
  if (!GetFileSizeEx(record->handle, &length)) return false;
  *size = static_cast<std::uint64_t>(length.QuadPart);
  return true;
}

bool AppendFile::IsNamedBy(const std::string& path) const {
  if (Injected(FileOp::kIdentity)) return false;
  HANDLE named = CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  OpenFile* record = Record(native_);
  bool same;
  {
    std::lock_guard<std::mutex> lock(record->mutex);
    same = SameFile(record->handle, named);
  }
  CloseHandle(named);
  return same;
}

bool AppendFile::IsRemoved() const {
  if (Injected(FileOp::kIdentity)) return false;
  OpenFile* record = Record(native_);
  std::lock_guard<std::mutex> lock(record->mutex);
  FILE_STANDARD_INFO info;
  if (!GetFileInformationByHandleEx(record->handle, FileStandardInfo, &info, sizeof info)) {
    return false;
  }
  return info.DeletePending || info.NumberOfLinks == 0;
}

// A file on a disk, as opposed to a device (NUL, CON) or a pipe.
bool AppendFile::IsRegular() const {
  if (Injected(FileOp::kIdentity)) return true;
  OpenFile* record = Record(native_);
  std::lock_guard<std::mutex> lock(record->mutex);
  const DWORD type = GetFileType(record->handle);
  return type == FILE_TYPE_DISK || (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR);
}

bool AppendFile::EndsMidLine() const {
  if (Injected(FileOp::kLastByte)) return true;
  OpenFile* record = Record(native_);
  std::lock_guard<std::mutex> lock(record->mutex);
  if (GetFileType(record->handle) != FILE_TYPE_DISK) return false;
  LARGE_INTEGER length;
  if (!GetFileSizeEx(record->handle, &length)) return true;
  if (length.QuadPart == 0) return false;
  const std::uint64_t last_at = static_cast<std::uint64_t>(length.QuadPart) - 1;
  OVERLAPPED position = {};
  position.Offset = static_cast<DWORD>(last_at);
  position.OffsetHigh = static_cast<DWORD>(last_at >> 32);
  char last = 0;
  DWORD got = 0;
  if (!ReadFile(record->handle, &last, 1, &got, &position)) return true;
  return got != 1 || last != '\n';
}

bool AppendFile::Reopen(const std::string& path) {
  HANDLE fresh = OpenForAppend(path, nullptr);
  if (fresh == INVALID_HANDLE_VALUE) return false;
  OpenFile* record = Record(native_);
  HANDLE old;
  {
    std::lock_guard<std::mutex> lock(record->mutex);
    old = record->handle;
    record->handle = fresh;
  }
  CloseHandle(old);
  return true;
}

// Polled rather than waited for: a process that holds the lock for long
// must not hold up the texts of every other process.
AppendFile::Locked AppendFile::Lock(std::chrono::steady_clock::time_point give_up) {
  if (Injected(FileOp::kLock)) return Locked::kFailed;
  OpenFile* record = Record(native_);
  const auto lock = [record] {
    OVERLAPPED position = LockPosition();
    return LockFileEx(record->handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &position) != 0;
  };
  if (RetriedWhileLocked(lock, give_up)) return Locked::kLocked;
  return GetLastError() == ERROR_LOCK_VIOLATION ? Locked::kBusy : Locked::kFailed;
}

void AppendFile::Unlock() {
  OpenFile* record = Record(native_);
  OVERLAPPED position = LockPosition();
  UnlockFileEx(record->handle, 0, 1, 0, &position);
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (Injected(FileOp::kRename)) return false;
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// ".removed-", a process id and a counter, each of at most 8 hexadecimal
// digits.
const std::size_t kRemoveFileExtraLength = 9 + 8 + 1 + 8;

// Windows keeps a deleted file under its name until the last handle to it
// closes, and nothing can be created or renamed onto that name meanwhile:
// a log file that another process (or this one) still appends to would
// block the rotation that removed it. Moved aside first, the file frees its
// name at once, as on POSIX, and goes when its last handle does. An aside
// name beyond the path limit is never made: such a file is deleted in place.
bool RemoveFile(const std::string& path) {
  if (Injected(FileOp::kRemove)) return false;
  static std::atomic<unsigned> counter{0};
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".removed-%lx-%x", GetCurrentProcessId(),
                counter.fetch_add(1, std::memory_order_relaxed));
  const std::wstring wide = Wide(path);
  const std::wstring aside = Wide(path + suffix);
  if (aside.size() > kMaxPath || !MoveFileExW(wide.c_str(), aside.c_str(), 0)) {
    return DeleteFileW(wide.c_str()) != 0;
  }
  if (DeleteFileW(aside.c_str())) return true;
  MoveFileExW(aside.c_str(), wide.c_str(), 0);
  return false;
}

bool FileSizeOf(const std::string& path, std::uint64_t* size) {
  if (Injected(FileOp::kSize)) return false;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
    *size = 0;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  *size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool EmptyFile(const std::string& path) {
  if (Injected(FileOp::kRemove)) return false;
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                            TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// `from`'s data stays locked from the first byte read to the last byte
// emptied, so that no other process's append falls between the two.
bool CopyThenEmpty(const std::string& from, const std::string& to) {
  if (Injected(FileOp::kRename)) return false;
  HANDLE source = CreateFileW(Wide(from).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (source == INVALID_HANDLE_VALUE) return false;
  OVERLAPPED data_start = {};
  if (!LockFileEx(source, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 0,
                  kDataLockLengthHigh, &data_start)) {
    CloseHandle(source);
    return false;
  }
  HANDLE target = CreateFileW(Wide(to).c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  bool done = false;
  if (target != INVALID_HANDLE_VALUE) {
    done = CopyContents(source, target) && Truncate(source);
    if (!done) Truncate(target);
    CloseHandle(target);
  }
  UnlockFileEx(source, 0, 0, kDataLockLengthHigh, &data_start);
  CloseHandle(source);
  return done;
}

}  // namespace vo_tools::platform

#include "log_file/shared_log_file.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <limits>
#include <thread>
#include <utility>

#include "log_file/log_path.h"
#include "platform/env.h"

namespace vo_tools::log_file {
namespace {

using platform::AppendFile;

// A looked-at second no clock shows: the next text looks again.
constexpr std::int64_t kLookAtOnce = std::numeric_limits<std::int64_t>::min();

// No end to the room: a file that is not to rotate before the next look.
constexpr std::uint64_t kUnbounded = std::numeric_limits<std::uint64_t>::max();

// True when `path` names no file, or an empty one: a free place for a
// rotation to move a file into without dropping anything.
bool HoldsNoData(const std::string& path) {
  std::uint64_t size = 0;
  return platform::FileSizeOf(path, &size) && size == 0;
}

bool MoveFile(const std::string& from, const std::string& to) {
  return platform::RenameFile(from, to) || platform::CopyThenEmpty(from, to);
}

#if defined(VO_TOOLS_TEST_SEAMS)
std::atomic<std::int64_t (*)()> g_clock_for_testing{nullptr};
#endif

}  // namespace

#if defined(VO_TOOLS_TEST_SEAMS)
void SetLookClockForTesting(std::int64_t (*clock)()) {
  g_clock_for_testing.store(clock, std::memory_order_release);
}
#endif

std::int64_t LookClock() {
#if defined(VO_TOOLS_TEST_SEAMS)
  if (const auto clock = g_clock_for_testing.load(std::memory_order_acquire)) return clock();
#endif
  return static_cast<std::int64_t>(std::time(nullptr));
}

SharedLogFile::SharedLogFile(std::string path, Policy policy)
    : path_(std::move(path)),
      policy_(std::move(policy)),
      names_fit_(FitsWithItsBackups(path_, policy_.backups)) {
  const std::int64_t now = LookClock();
  Open(now);
  looked_second_.store(now, std::memory_order_relaxed);
  ScheduleNextLook(false);
  // The file opened may end in another's unfinished line: the first text
  // looks, and ends it first.
  if (may_end_mid_line_.load(std::memory_order_relaxed)) {
    look_at_.store(0, std::memory_order_relaxed);
  }
}

SharedLogFile::~SharedLogFile() = default;

SharedLogFile::Appended SharedLogFile::Append(const char* text, std::size_t size) {
  const std::int64_t now = LookClock();
  AppendFile* file;
  for (;;) {
    if (LookIsDue(now)) Look(now);
    file = file_.load(std::memory_order_acquire);
    if (file == nullptr) return Appended::kNothing;
    if (size == 0 || Take(size)) break;
    WaitForTheLook();
  }
  if (detached_.load(std::memory_order_relaxed) &&
      detached_room_.fetch_sub(static_cast<std::int64_t>(size), std::memory_order_relaxed) <= 0) {
    // Counted all the same, so that the path is tried again as often.
    done_.fetch_add(size, std::memory_order_release);
    return Appended::kNothing;
  }
  if (size == 0) return Appended::kWhole;
  // Written only when it changes, which for whole lines is never, so that
  // writers on many threads do not contend for it.
  const bool ends_line = text[size - 1] == '\n';
  if (last_text_ended_line_.load(std::memory_order_relaxed) != ends_line) {
    last_text_ended_line_.store(ends_line, std::memory_order_relaxed);
  }
  std::uint64_t stored = 0;
  const bool whole = file->Append(text, size, &stored);
  if (!whole) {  // the part it left ends its line at the next text's look
    may_end_mid_line_.store(true, std::memory_order_relaxed);
    look_at_.store(0, std::memory_order_relaxed);
  }
  // Line ends stored as CR LF take room too.
  const std::uint64_t extra = stored > size ? stored - size : 0;
  if (extra > 0) taken_.fetch_add(extra, std::memory_order_relaxed);
  done_.fetch_add(size + extra, std::memory_order_release);
  if (whole) return Appended::kWhole;
  return stored > 0 ? Appended::kPart : Appended::kNothing;
}

// Cheap enough for every text: three relaxed loads and the coarse clock.
bool SharedLogFile::LookIsDue(std::int64_t now) const {
  return taken_.load(std::memory_order_relaxed) >= look_at_.load(std::memory_order_relaxed) ||
         now != looked_second_.load(std::memory_order_relaxed);
}

// Takes the text's place, unless the file has no room left before it. The
// place is taken first and the room read after, and a look closes the room
// first and counts the texts in flight after (all sequentially consistent):
// a text the look does not count sees the room closed, and gives its place
// back.
bool SharedLogFile::Take(std::size_t size) {
  if (taken_.fetch_add(size) < room_end_.load()) return true;
  taken_.fetch_sub(size);
  return false;
}

// Another writer of this process is rotating the file: the texts that found
// it full wait for the new one rather than outgrow the old. A mark a forked
// child inherited is no one's look: the next look takes it over.
void SharedLogFile::WaitForTheLook() const {
  const unsigned long self = platform::CurrentProcessId();
  for (int round = 0; looker_.load(std::memory_order_acquire) == self; ++round) {
    if (round < 64) {
      std::this_thread::yield();
    } else {  // a rotation waiting for the file lock, or for the disk
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }
}

void SharedLogFile::Look(std::int64_t now) {
  if (!BeginLook()) return;
  looked_second_.store(now, std::memory_order_relaxed);
  AppendFile* file = file_.load(std::memory_order_acquire);
  if (file == nullptr) {
    // A missing directory may stay missing: at most one attempt a second.
    if (now != open_tried_second_) Open(now);
    file = file_.load(std::memory_order_acquire);
  } else if (!file->IsNamedBy(path_)) {
    if (FollowPath(file)) LearnSize(file, 0);
  } else {
    detached_.store(false, std::memory_order_relaxed);
    // Another process may have ended the file mid-line since (a crash);
    // unless this object's own last text was the start of a longer line.
    if (last_text_ended_line_.load(std::memory_order_relaxed)) {
      may_end_mid_line_.store(true, std::memory_order_relaxed);
    }
    LearnSize(file, size_at_look_ + (done_.load(std::memory_order_acquire) - done_at_size_));
  }
  const bool full = file != nullptr && !detached_.load(std::memory_order_relaxed) && IsFull();
  if (full) Rotate(file);
  if (file != nullptr && !detached_.load(std::memory_order_relaxed) &&
      may_end_mid_line_.load(std::memory_order_relaxed)) {
    EndLineLeftOpen(file);
  }
  ScheduleNextLook(full);
  EndLook();
}

// One writer looks at a time. A forked child inherits the mark of a look
// that a thread of its parent had begun, but not the thread: it takes the
// look over.
bool SharedLogFile::BeginLook() {
  const unsigned long self = platform::CurrentProcessId();
  unsigned long looker = 0;
  if (looker_.compare_exchange_strong(looker, self, std::memory_order_acquire)) return true;
  return looker != self && looker_.compare_exchange_strong(looker, self, std::memory_order_acquire);
}

void SharedLogFile::EndLook() {
  looker_.store(0, std::memory_order_release);
}

// By the constructor, and then only by the looking writer.
void SharedLogFile::Open(std::int64_t now) {
  open_tried_second_ = now;
  if (!names_fit_) return;
  std::unique_ptr<AppendFile> opened = AppendFile::Open(path_, policy_.mode);
  if (opened == nullptr) return;
  LearnSize(opened.get(), 0);
  may_end_mid_line_.store(true, std::memory_order_relaxed);  // another may have left part of a line
  owned_file_ = std::move(opened);
  file_.store(owned_file_.get(), std::memory_order_release);
}

// While the system cannot tell the size, `otherwise` stands for it and the
// next text looks again. A device's size is none. `done_` is read first, so
// that a text written meanwhile is counted twice rather than not at all.
void SharedLogFile::LearnSize(AppendFile* file, std::uint64_t otherwise) {
  const std::uint64_t done = done_.load(std::memory_order_acquire);
  std::uint64_t size = 0;
  bool known = file->Size(&size);
  if (!known && !file->IsRegular()) known = true;
  size_at_look_ = known ? size : otherwise;
  size_known_ = known;
  done_at_size_ = done;
}

// The size learned, with the texts taken since: those on their way too.
bool SharedLogFile::IsFull() const {
  return size_at_look_ + (taken_.load(std::memory_order_acquire) - done_at_size_) >=
         policy_.rotate_at;
}

// Processes sharing the file take turns through the file lock, and one that
// finds the path naming another file than its own (another rotated first,
// or a look failed) follows it, and rotates that one too if it is full
// already. The rotation is put off to the next look when another process
// holds the lock too long, or a move cannot be made.
void SharedLogFile::Rotate(AppendFile* file) {
  if (!file->IsRegular()) {  // a FIFO or a device: nothing to rotate
    size_at_look_ = 0;
    return;
  }
  // Until the next look says otherwise, texts of this process wait.
  room_end_.store(0);  // see Take
  const auto give_up = std::chrono::steady_clock::now() + platform::kLockPatience;
  for (int attempt = 0; attempt < 2; ++attempt) {
    // A file system without locks fails every Lock: the rotation goes ahead,
    // since the file would otherwise grow without bound; the path and the
    // size asked again here narrow a double rotation to processes finding
    // the file full at the same instant.
    const AppendFile::Locked locked = file->Lock(give_up);
    if (locked == AppendFile::Locked::kBusy) return;
    const bool ours = file->IsNamedBy(path_);
    const std::uint64_t done = done_.load(std::memory_order_acquire);
    std::uint64_t size = 0;
    const bool emptied = ours && file->Size(&size) &&
                         size + (taken_.load(std::memory_order_acquire) - done) < policy_.rotate_at;
    const bool moved = ours && !emptied && MoveToBackups();
    if (locked == AppendFile::Locked::kLocked) file->Unlock();
    if (emptied) {  // from outside, meanwhile: nothing to rotate
      size_at_look_ = size;
      size_known_ = true;
      done_at_size_ = done;
      return;
    }
    if (ours && !moved) return;
    // When the path cannot be opened, the texts go on to the old file, now
    // the backup, until it is full or a later look succeeds.
    if (!FollowPath(file)) return;
    LearnSize(file, 0);  // a file the path names anew is most likely small
    if (moved || !IsFull()) return;
  }
}

// Under the file lock. The first free place in the backups, if any, stops
// the move there; a rotation cut short before leaves one, and carrying it on
// then drops nothing more.
bool SharedLogFile::MoveToBackups() {
  const std::vector<std::string>& backups = policy_.backups;
  if (backups.empty()) return platform::RemoveFile(path_) || platform::EmptyFile(path_);
  std::size_t place = 0;
  while (place + 1 < backups.size() && !HoldsNoData(backups[place])) ++place;
  if (!HoldsNoData(backups[place]) && !platform::RemoveFile(backups[place]) &&
      !platform::EmptyFile(backups[place])) {
    return false;
  }
  for (; place > 0; --place) {
    if (!MoveFile(backups[place - 1], backups[place])) return false;
  }
  return MoveLiveFile(backups.front());
}

// A copy of the live file must hold every text this process wrote to it:
// it waits for those on their way (new ones wait for the look), within the
// patience a rotation has.
bool SharedLogFile::MoveLiveFile(const std::string& to) {
  if (platform::RenameFile(path_, to)) return true;
  const auto give_up = std::chrono::steady_clock::now() + platform::kLockPatience;
  while (done_.load(std::memory_order_acquire) != taken_.load(std::memory_order_acquire)) {
    if (std::chrono::steady_clock::now() >= give_up) return false;
    std::this_thread::yield();
  }
  return platform::CopyThenEmpty(path_, to);
}

// Until the path opens again the old file takes the texts, which is where
// they are kept if its directory was moved and comes back, but only up to
// its rotation size; a removed one takes none.
bool SharedLogFile::FollowPath(AppendFile* file) {
  if (file->Reopen(path_)) {
    detached_.store(false, std::memory_order_relaxed);
    may_end_mid_line_.store(true, std::memory_order_relaxed);
    return true;
  }
  std::uint64_t size = policy_.rotate_at;
  if (file->IsRemoved() || !file->Size(&size) || size > policy_.rotate_at) {
    size = policy_.rotate_at;
  }
  detached_room_.store(static_cast<std::int64_t>(policy_.rotate_at - size),
                       std::memory_order_relaxed);
  detached_.store(true, std::memory_order_relaxed);
  return false;
}

// The next look comes after kLookEveryBytes, or sooner where the file
// reaches its rotation size; at once while its size is unknown, or when it
// is full and no look has tried to rotate it yet. A file still full after a
// look tried (the rotation put off, or the new file full already) takes
// texts until the next look: one call never rotates a file twice.
void SharedLogFile::ScheduleNextLook(bool rotation_tried) {
  const std::uint64_t taken = taken_.load(std::memory_order_acquire);
  std::uint64_t room_end = kUnbounded;
  std::uint64_t look_at = taken + kLookEveryBytes;
  const std::uint64_t size = size_at_look_ + (taken - done_at_size_);
  if (!detached_.load(std::memory_order_relaxed) && (size < policy_.rotate_at || !rotation_tried)) {
    room_end = taken + (size < policy_.rotate_at ? policy_.rotate_at - size : 0);
    look_at = std::min(look_at, room_end);
  }
  room_end_.store(room_end, std::memory_order_relaxed);
  look_at_.store(look_at, std::memory_order_relaxed);
  if (!size_known_) looked_second_.store(kLookAtOnce, std::memory_order_relaxed);
}

// With the room closed and this process's texts landed, a file that ends
// mid-line ends in what another process left: a write cut short, or one
// still under way there (platform::AppendFile::EndsMidLine tells those
// apart as far as it can). Asked while a text of this process was on its
// way, the last byte could be the middle of that text, and a line feed
// added then a blank line of its own.
void SharedLogFile::EndLineLeftOpen(AppendFile* file) {
  room_end_.store(0);                  // see Take
  if (!TextsInFlightLanded()) return;  // the next look asks again
  may_end_mid_line_.store(false, std::memory_order_relaxed);
  if (!file->EndsMidLine()) return;
  std::uint64_t stored = 0;
  if (!file->Append("\n", 1, &stored)) may_end_mid_line_.store(true, std::memory_order_relaxed);
  taken_.fetch_add(stored);
  done_.fetch_add(stored);
}

// Bounded: a text in flight in a forked child's parent never lands in the
// child, whose looks then leave the repair alone rather than wait for it.
bool SharedLogFile::TextsInFlightLanded() const {
  for (int round = 0; round < 96; ++round) {
    if (taken_.load() == done_.load()) return true;
    if (round < 64) {
      std::this_thread::yield();
    } else {  // a writer the system put off mid-write
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }
  return false;
}

}  // namespace vo_tools::log_file

#include "log_file/shared_log_file.h"

#include <ctime>
#include <limits>
#include <utility>

#include "platform/env.h"

namespace vo_tools::log_file {
namespace {

using platform::AppendFile;

// A looked-at second no clock shows: the next text looks again.
constexpr std::int64_t kLookAtOnce = std::numeric_limits<std::int64_t>::min();

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
    : path_(std::move(path)), policy_(std::move(policy)) {
  const std::int64_t now = LookClock();
  Open(now);
  looked_second_.store(now, std::memory_order_relaxed);
  ScheduleNextLook();
}

SharedLogFile::~SharedLogFile() = default;

SharedLogFile::Appended SharedLogFile::Append(const char* text, std::size_t size) {
  const std::int64_t now = LookClock();
  if (LookIsDue(now)) Look(now);
  AppendFile* const file = file_.load(std::memory_order_acquire);
  if (file == nullptr) return Appended::kNothing;
  if (detached_.load(std::memory_order_relaxed) &&
      detached_room_.fetch_sub(static_cast<std::int64_t>(size), std::memory_order_relaxed) <= 0) {
    // Counted all the same, so that the path is tried again as often.
    written_since_look_.fetch_add(size, std::memory_order_relaxed);
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
  bool whole;
  if (may_end_mid_line_.load(std::memory_order_relaxed) &&
      may_end_mid_line_.exchange(false, std::memory_order_relaxed)) {
    whole = AppendOnItsOwnLine(file, text, size, &stored);
  } else {
    whole = file->Append(text, size, &stored);
  }
  if (!whole) may_end_mid_line_.store(true, std::memory_order_relaxed);
  written_since_look_.fetch_add(stored, std::memory_order_relaxed);
  if (whole) return Appended::kWhole;
  return stored > 0 ? Appended::kPart : Appended::kNothing;
}

// Cheap enough for every text: three relaxed loads and the coarse clock.
bool SharedLogFile::LookIsDue(std::int64_t now) const {
  return written_since_look_.load(std::memory_order_relaxed) >=
             look_after_bytes_.load(std::memory_order_relaxed) ||
         now != looked_second_.load(std::memory_order_relaxed);
}

void SharedLogFile::Look(std::int64_t now) {
  if (!BeginLook()) return;
  const std::uint64_t written = written_since_look_.exchange(0, std::memory_order_relaxed);
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
    LearnSize(file, size_at_look_.load(std::memory_order_relaxed) + written);
  }
  if (file != nullptr && !detached_.load(std::memory_order_relaxed) &&
      size_at_look_.load(std::memory_order_relaxed) >= policy_.rotate_at) {
    Rotate(file);
  }
  ScheduleNextLook();
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
  std::unique_ptr<AppendFile> opened = AppendFile::Open(path_, policy_.mode);
  if (opened == nullptr) return;
  LearnSize(opened.get(), 0);
  may_end_mid_line_.store(true, std::memory_order_relaxed);  // another may have left part of a line
  owned_file_ = std::move(opened);
  file_.store(owned_file_.get(), std::memory_order_release);
}

// While the system cannot tell the size, `otherwise` stands for it and the
// next text looks again. A device's size is none.
void SharedLogFile::LearnSize(AppendFile* file, std::uint64_t otherwise) {
  std::uint64_t size = 0;
  bool known = file->Size(&size);
  if (!known && !file->IsRegular()) known = true;
  size_at_look_.store(known ? size : otherwise, std::memory_order_relaxed);
  size_known_.store(known, std::memory_order_relaxed);
}

// Processes sharing the file take turns through the file lock, and one that
// finds the path naming another file than its own (another rotated first,
// or a look failed) follows it, and rotates that one too if it is full
// already.
void SharedLogFile::Rotate(AppendFile* file) {
  if (!file->IsRegular()) {  // a FIFO or a device: nothing to rotate
    size_at_look_.store(0, std::memory_order_relaxed);
    return;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    // A file system without locks fails every Lock: the rotation goes ahead,
    // since the file would otherwise grow without bound; the path and the
    // size asked again here narrow a double rotation to processes finding
    // the file full at the same instant.
    const bool locked = file->Lock();
    const bool ours = file->IsNamedBy(path_);
    std::uint64_t size = 0;
    const bool emptied = ours && file->Size(&size) && size < policy_.rotate_at;
    const bool rotated = ours && !emptied;
    if (rotated) MoveToBackups();
    if (locked) file->Unlock();
    if (emptied) {  // from outside, meanwhile: nothing to rotate
      size_at_look_.store(size, std::memory_order_relaxed);
      size_known_.store(true, std::memory_order_relaxed);
      return;
    }
    // When the path cannot be opened, the texts go on to the old file, now
    // the backup, until it is full or a later look succeeds.
    if (!FollowPath(file)) return;
    LearnSize(file, 0);  // a file the path names anew is most likely small
    if (rotated || size_at_look_.load(std::memory_order_relaxed) < policy_.rotate_at) return;
  }
}

void SharedLogFile::MoveToBackups() {
  const std::vector<std::string>& backups = policy_.backups;
  if (backups.empty()) {
    platform::RemoveFile(path_);
    return;
  }
  platform::RemoveFile(backups.back());
  for (std::size_t n = backups.size() - 1; n > 0; --n) {
    platform::RenameFile(backups[n - 1], backups[n]);
  }
  if (!platform::RenameFile(path_, backups.front()) && policy_.remove_when_rename_fails) {
    platform::RemoveFile(path_);
  }
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
// reaches its rotation size; at once while its size is unknown.
void SharedLogFile::ScheduleNextLook() {
  std::uint64_t after = kLookEveryBytes;
  const std::uint64_t size = size_at_look_.load(std::memory_order_relaxed);
  if (!detached_.load(std::memory_order_relaxed)) {
    const std::uint64_t left = size >= policy_.rotate_at ? 0 : policy_.rotate_at - size;
    if (left < after) after = left;
  }
  look_after_bytes_.store(after, std::memory_order_relaxed);
  if (!size_known_.load(std::memory_order_relaxed)) {
    looked_second_.store(kLookAtOnce, std::memory_order_relaxed);
  }
}

bool SharedLogFile::AppendOnItsOwnLine(AppendFile* file, const char* text, std::size_t size,
                                       std::uint64_t* stored) {
  if (!file->EndsMidLine()) return file->Append(text, size, stored);
  std::string own_line;
  own_line.reserve(size + 1);
  own_line += '\n';
  own_line.append(text, size);
  return file->Append(own_line.data(), own_line.size(), stored);
}

}  // namespace vo_tools::log_file

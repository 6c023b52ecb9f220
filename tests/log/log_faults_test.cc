// The logging functions under the faults a long-running process meets:
// other processes rotating the brief log they share, a log directory that
// vanishes or appears late, a full disk, and forks while other threads log.
// Logging is set up once per process, so each test logs in children.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "file_size_limit.h"
#include "log_lines.h"
#include "os_situations.h"
#include "scratch_dir.h"
#include "test_env.h"
#include "timed_fork.h"
#include "vo_tools/log.h"
#include "wait_for.h"

namespace {

using vo_tools_test::Child;
using vo_tools_test::FileExists;
using vo_tools_test::kBriefRotationBytes;
using vo_tools_test::kLookEveryBytes;
using vo_tools_test::kMainLogCapBytes;
using vo_tools_test::kSeparatorLine;
using vo_tools_test::LinesOf;
using vo_tools_test::ParseLine;
using vo_tools_test::ReadFile;
using vo_tools_test::ReadLines;
using vo_tools_test::RunInChild;
using vo_tools_test::ScratchDir;
using vo_tools_test::WriteFile;

namespace fs = std::filesystem;

const std::string kPadding(60, '.');

void LogTagged(const char* tag, int number) {
  Vo_PrintOut(VO_LOG_INFO, true, "faults", number, "%s %d %s", tag, number, kPadding.c_str());
}

std::string Tagged(const char* tag, int number) {
  return std::string(tag) + " " + std::to_string(number) + " " + kPadding;
}

// The logs look at their files again once the clock's second has turned.
void LetTheClockTurn() {
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
}

// Earlier contents, in whole lines, that the separator of the next set-up
// brings to one byte short of the rotation threshold.
std::string FillerUpToTheThreshold() {
  const std::size_t size =
      kBriefRotationBytes - 1 - vo_tools_test::TextOnDisk(kSeparatorLine).size();
  return std::string(size - 1, 'e') + "\n";
}

bool IsFiller(const std::string& line) {
  return line.size() > 1 && line.find_first_not_of('e') == line.size() - 1;
}

// The messages of the stamped `lines`, in order; separator and filler lines
// are skipped, and any other line fails the test as torn.
std::vector<std::string> MessagesOf(const std::vector<std::string>& lines) {
  std::vector<std::string> messages;
  for (const std::string& line : lines) {
    if (line == kSeparatorLine || IsFiller(line) || vo_tools_test::IsSetUpRecord(line)) continue;
    unsigned long pid = 0;
    std::string message;
    if (ParseLine(line, &pid, &message)) {
      messages.push_back(message);
    } else {
      ADD_FAILURE() << "not a whole line: " << line.substr(0, 200);
    }
  }
  return messages;
}

std::vector<std::string> MessagesIn(const std::vector<std::string>& files) {
  return MessagesOf(LinesOf(files));
}

int CountOf(const std::vector<std::string>& messages, const std::string& message) {
  return static_cast<int>(std::count(messages.begin(), messages.end(), message));
}

// The numbers in [0, count) whose tagged line is not among `messages` exactly once.
std::vector<int> NotOnceIn(const std::vector<std::string>& messages, const char* tag, int count) {
  std::vector<int> numbers;
  for (int i = 0; i < count; ++i) {
    if (CountOf(messages, Tagged(tag, i)) != 1) numbers.push_back(i);
  }
  return numbers;
}

// In a child: notes that the platform refused to move or remove a directory
// holding an open file, for the parent to skip on.
bool RefusedHere(const ScratchDir& dir, const std::error_code& error) {
  if (!error) return false;
  WriteFile(dir / "refused", error.message());
  return true;
}

// --- Several processes sharing one brief log ---

std::int64_t MonotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct SharedLine {
  int process;
  int sequence;
  long long nanoseconds;
};

// What a writer of the shared brief log logs: its own numbers, and a
// monotonic time so that lines from different processes can be ordered.
std::string SharedMessage(int process, int sequence, long long nanoseconds) {
  return "process " + std::to_string(process) + " seq " + std::to_string(sequence) + " at " +
         std::to_string(nanoseconds) + " " + kPadding;
}

bool ParseShared(const std::string& message, SharedLine* line) {
  int used = 0;
  if (std::sscanf(message.c_str(), "process %d seq %d at %lld %n", &line->process, &line->sequence,
                  &line->nanoseconds, &used) != 3 ||
      used == 0) {
    return false;
  }
  return message.substr(used) == kPadding;
}

// Waits, at most 30 s, until `count` writers have marked themselves ready.
bool AllReady(const ScratchDir& dir, int count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    int ready = 0;
    for (int i = 0; i < count; ++i) ready += FileExists(dir / ("ready." + std::to_string(i)));
    if (ready == count) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// When a line was logged: the call began at `before` and had returned by
// `after`, so its write fell between them.
struct LoggedBetween {
  long long before;
  long long after;
};

// What one writer logged, as it recorded it, by sequence number.
std::map<int, LoggedBetween> WrittenBy(const std::string& record) {
  std::map<int, LoggedBetween> written;
  std::istringstream in(ReadFile(record));
  int sequence = 0;
  LoggedBetween when{};
  while (in >> sequence >> when.before >> when.after) written[sequence] = when;
  return written;
}

// Each writer's lines by sequence number, as it recorded them.
using WrittenLines = std::map<int, std::map<int, LoggedBetween>>;

// What the brief log and its backup still hold of the shared writers' lines.
struct KeptLines {
  std::map<int, std::set<int>> sequences;  // process -> sequence numbers
  // What a process's lines add to their message: the same number of bytes
  // on every line, since its process and thread identifiers do not change
  // and the time stamp has a fixed width.
  std::map<int, std::size_t> header_bytes;
  int separators = 0;
};

// Starts `processes` writers that set up logging in `dir`, wait for one
// another, and each log `lines` flagged lines carrying their own sequence
// numbers and times, recording when each call began and returned.
void RunSharedWriters(const ScratchDir& dir, int processes, int lines) {
  std::vector<std::unique_ptr<Child>> children;
  for (int process = 0; process < processes; ++process) {
    children.push_back(std::make_unique<Child>([&dir, process, processes, lines] {
      Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "", VO_LOG_INFO);
      // Every set-up's separator goes to the first file before anyone logs.
      WriteFile(dir / ("ready." + std::to_string(process)), "");
      ASSERT_TRUE(AllReady(dir, processes)) << "the other writers did not start";
      std::string record;
      for (int sequence = 0; sequence < lines; ++sequence) {
        const long long before = MonotonicNanoseconds();
        Vo_PrintOut(VO_LOG_INFO, true, "", sequence, "%s",
                    SharedMessage(process, sequence, before).c_str());
        const long long after = MonotonicNanoseconds();
        record += std::to_string(sequence) + " " + std::to_string(before) + " " +
                  std::to_string(after) + "\n";
      }
      WriteFile(dir / ("written." + std::to_string(process)), record);
    }));
  }
  for (auto& child : children) ASSERT_TRUE(child->Wait());
}

// Reads the brief log and its backup; a line that is not whole, or kept
// twice, fails the test.
KeptLines ReadKept(const ScratchDir& dir) {
  KeptLines kept;
  for (const std::string& line : LinesOf({dir / "brief.BAK", dir / "brief.txt"})) {
    if (line == kSeparatorLine) {
      ++kept.separators;
      continue;
    }
    unsigned long pid = 0;
    std::string message;
    SharedLine shared;
    if (!ParseLine(line, &pid, &message) || !ParseShared(message, &shared)) {
      ADD_FAILURE() << "not a whole line: " << line.substr(0, 200);
      continue;
    }
    EXPECT_TRUE(kept.sequences[shared.process].insert(shared.sequence).second)
        << "kept twice: " << message;
    const std::size_t header = line.size() - message.size();
    EXPECT_EQ(kept.header_bytes.emplace(shared.process, header).first->second, header) << line;
  }
  return kept;
}

// A line whose call began after some kept line's call had returned was
// written after the oldest kept line. A line's own time says when its call
// began, which may be long before its write (a writer descheduled in
// between), so it cannot stand for the write.
long long OldestKeptReturned(const KeptLines& kept, const WrittenLines& written) {
  long long oldest = -1;
  for (const auto& [process, sequences] : kept.sequences) {
    for (int sequence : sequences) {
      const long long after = written.at(process).at(sequence).after;
      if (oldest < 0 || after < oldest) oldest = after;
    }
  }
  return oldest;
}

// The header width of `process`'s lines. A process that wrote all its lines
// early may have none left; its header is taken to be the narrowest of the
// others' (their process identifiers differ by a few at most, so by a
// hexadecimal digit at most).
std::size_t HeaderBytes(const KeptLines& kept, int process) {
  const auto own = kept.header_bytes.find(process);
  if (own != kept.header_bytes.end()) return own->second;
  std::size_t narrowest = kept.header_bytes.begin()->second;
  for (const auto& [other, bytes] : kept.header_bytes) narrowest = std::min(narrowest, bytes);
  return narrowest;
}

// A process looks at the path again before the first line that finds 64 KiB
// of its own output written since the last look, so that bounds what it can
// have written into a file rotated away under it: less than 64 KiB, and the
// line that reached it. Nothing between two kept lines may be missing.
void ExpectLossWithinOneLook(int process, const KeptLines& kept, const WrittenLines& written,
                             long long oldest_kept_returned, int lines) {
  const auto found = kept.sequences.find(process);
  const std::set<int> none;
  const std::set<int>& mine = found != kept.sequences.end() ? found->second : none;
  const int first_kept = mine.empty() ? lines : *mine.begin();
  const std::size_t header = HeaderBytes(kept, process);
  int holes = 0;
  int missing = 0;
  std::uint64_t missing_bytes = 0;
  std::uint64_t longest = 0;
  long long first_missing = -1;
  long long last_missing = -1;
  for (const auto& [sequence, when] : written.at(process)) {
    const std::uint64_t bytes = header + SharedMessage(process, sequence, when.before).size();
    longest = std::max(longest, bytes);
    if (mine.count(sequence) != 0 || when.before <= oldest_kept_returned) continue;
    if (sequence > first_kept) ++holes;
    ++missing;
    missing_bytes += bytes;
    if (first_missing < 0) first_missing = when.before;
    last_missing = when.before;
  }
  EXPECT_EQ(holes, 0) << "process " << process << " lost lines between lines still kept";
  EXPECT_LT(missing_bytes, kLookEveryBytes + longest)
      << "process " << process << " lost " << missing << " lines (" << missing_bytes
      << " bytes) newer than the oldest kept, over " << (last_missing - first_missing) / 1000000
      << " ms";
}

// Each process rotates only a file that the path still names, under a lock
// the others respect, and follows the path when another rotated first. So
// the brief log and its backup keep every line newer than the oldest line
// they hold, except for the lines a writer appended to its file after
// another process rotated it away and before its own next look at the path
// (within 64 KiB of its own output or a second): those sit at the old edge
// and leave with the backup at the next rotation.
TEST(LogFaults, FourProcessesSharingTheBriefLogKeepEveryLineNewerThanTheOldestKept) {
  if (vo_tools_test::RunningUnderWine()) {
    GTEST_SKIP() << "Wine appends by finding the end of the file and then writing there, so "
                    "processes sharing a file can write over each other; Windows appends "
                    "atomically";
  }
  constexpr int kProcesses = 4;
  constexpr int kLines = 12000;  // about 7 MiB in all: three rotations
  ScratchDir dir;
  RunSharedWriters(dir, kProcesses, kLines);
  if (HasFatalFailure()) return;

  const KeptLines kept = ReadKept(dir);
  EXPECT_EQ(kept.separators, 0) << "the file the set-ups began should be gone after two rotations";
  EXPECT_GE(fs::file_size(dir / "brief.BAK"), kBriefRotationBytes);
  ASSERT_FALSE(kept.header_bytes.empty());

  WrittenLines written;
  for (int process = 0; process < kProcesses; ++process) {
    written[process] = WrittenBy(dir / ("written." + std::to_string(process)));
    ASSERT_EQ(written[process].size(), std::size_t{kLines});
  }
  const long long oldest_kept_returned = OldestKeptReturned(kept, written);
  for (int process = 0; process < kProcesses; ++process) {
    ExpectLossWithinOneLook(process, kept, written, oldest_kept_returned, kLines);
  }
}

// --- A log directory that goes away, or is not there yet ---

// A file that its path no longer names, while the path will not open
// (its directory moved away, or a directory put in its place), takes lines
// only up to its size (the brief log's 2 MiB, the main log's 5 MiB); then
// they are dropped until the path opens again, and rotation goes on there.
// One test per row: a Windows child re-runs its test from the start.
struct LostPath {
  const char* name;          // how the path is lost
  bool brief_full_at_start;  // the brief log's rotation is due as the path goes
  const char* old_brief;     // where the old files are while the path is lost
  const char* old_main;
  bool (*lose)(const ScratchDir& dir);  // false when the platform refused
  void (*restore)(const ScratchDir& dir);
};
const LostPath kLostPaths[] = {
    {"DirectoryMovedAwayAndBack", true, "away/brief.txt", "away/main.txt",
     [](const ScratchDir& dir) {
       std::error_code error;
       fs::rename(dir / "logs", dir / "away", error);
       return !RefusedHere(dir, error);
     },
     [](const ScratchDir& dir) { fs::rename(dir / "away", dir / "logs"); }},
    {"DirectoryPutInItsPlace", false, "logs/brief.moved", "logs/main.moved",
     [](const ScratchDir& dir) {
       for (const char* name : {"brief", "main"}) {
         fs::rename(dir / ("logs/" + std::string(name) + ".txt"),
                    dir / ("logs/" + std::string(name) + ".moved"));
         fs::create_directory(dir / ("logs/" + std::string(name) + ".txt"));
       }
       return true;
     },
     [](const ScratchDir& dir) {
       fs::remove(dir / "logs/brief.txt");
       fs::remove(dir / "logs/main.txt");
     }},
};

class LostPathTest : public testing::TestWithParam<LostPath> {};

TEST_P(LostPathTest, FileThePathNoLongerNamesTakesLinesOnlyUpToItsSize) {
  const LostPath& c = GetParam();
  const std::string text(1000, 'x');
  ScratchDir dir;
  const std::string logs = dir / "logs";
  fs::create_directory(logs);
  if (c.brief_full_at_start) WriteFile(dir / "logs/brief.txt", FillerUpToTheThreshold());
  ASSERT_TRUE(RunInChild([&] {
    Vo_PrintOut_Init("main.txt", "brief.txt", logs.c_str(), "", VO_LOG_INFO);
    LogTagged("before", 0);
    if (!c.lose(dir)) return;
    LetTheClockTurn();
    for (int i = 0; i < 6000; ++i) {  // 6 MB: past both sizes
      Vo_PrintOut(VO_LOG_INFO, true, "faults", i, "away %d %s", i, text.c_str());
    }
    WriteFile(dir / "sizes", std::to_string(fs::file_size(dir / c.old_brief)) + " " +
                                 std::to_string(fs::file_size(dir / c.old_main)));
    c.restore(dir);
    LetTheClockTurn();
    for (int i = 0; i < 10; ++i) LogTagged("after", i);
  }));
  if (FileExists(dir / "refused")) {
    GTEST_SKIP() << "a directory holding an open file cannot be renamed here (Windows): "
                 << ReadFile(dir / "refused");
  }
  std::istringstream sizes(ReadFile(dir / "sizes"));
  std::uint64_t brief_size = 0, main_size = 0;
  sizes >> brief_size >> main_size;
  const std::uint64_t line = text.size() + 200;
  EXPECT_LE(brief_size, kBriefRotationBytes + line);
  EXPECT_LE(main_size, kMainLogCapBytes + line);
  EXPECT_GE(main_size, kMainLogCapBytes) << "the main log's old file took lines until it was full";
  const auto brief = MessagesIn({dir / "logs/brief.BAK", dir / "logs/brief.txt"});
  EXPECT_EQ(NotOnceIn(brief, "after", 10), std::vector<int>{});
  const auto main = MessagesIn({dir / "logs/main.txt.1", dir / "logs/main.txt"});
  EXPECT_EQ(NotOnceIn(main, "after", 10), std::vector<int>{});
  if (c.brief_full_at_start) {
    EXPECT_EQ(ReadLines(dir / "logs/brief.txt").size(), 10u) << "rotated once the path was back";
  }
}

INSTANTIATE_TEST_SUITE_P(LogFaults, LostPathTest, testing::ValuesIn(kLostPaths),
                         [](const testing::TestParamInfo<LostPath>& info) {
                           return std::string(info.param.name);
                         });

// The bytes held by this process's open regular files that no name leads to
// any more.
std::uint64_t BytesInRemovedOpenFiles() {
  std::uint64_t bytes = 0;
  for (int fd = 0; fd < 4096; ++fd) {
    struct stat info;
    if (fstat(fd, &info) == 0 && (info.st_mode & S_IFMT) == S_IFREG && info.st_nlink == 0) {
      bytes += static_cast<std::uint64_t>(info.st_size);
    }
  }
  return bytes;
}

// Removed with their directory, both logs stop writing into their removed
// files, and follow their path once the directory is back.
TEST(LogFaults, BothLogsStopWhileTheirDirectoryIsGoneAndFollowItBack) {
  ScratchDir dir;
  const std::string logs = dir / "logs";
  fs::create_directory(logs);
  const std::string text(1000, 'x');
  ASSERT_TRUE(RunInChild([&] {
    Vo_PrintOut_Init("main.txt", "brief.txt", logs.c_str(), "", VO_LOG_INFO);
    LogTagged("before", 0);
    std::error_code error;
    fs::remove_all(logs, error);
    if (RefusedHere(dir, error)) return;
    const std::uint64_t held = BytesInRemovedOpenFiles();
    for (int i = 0; i < 3000; ++i) {
      Vo_PrintOut(VO_LOG_INFO, true, "faults", i, "gone %d %s", i, text.c_str());
    }
    WriteFile(dir / "grown", std::to_string(BytesInRemovedOpenFiles() - held));
    fs::create_directory(logs);
    LetTheClockTurn();
    for (int i = 0; i < 10; ++i) LogTagged("after", i);
  }));
  if (FileExists(dir / "refused")) {
    GTEST_SKIP() << "a directory holding an open file cannot be removed here (Windows): "
                 << ReadFile(dir / "refused");
  }
  // Each log notices within 64 KiB of its own output that its file is gone,
  // and from then on writes nothing into it.
  const std::uint64_t line = text.size() + 200;
  EXPECT_LE(std::stoull(ReadFile(dir / "grown")), 2 * (kLookEveryBytes + 2 * line));
  std::vector<std::string> after;
  for (int i = 0; i < 10; ++i) after.push_back(Tagged("after", i));
  for (const char* file : {"logs/brief.txt", "logs/main.txt"}) {
    EXPECT_EQ(MessagesIn({dir / file}), after) << file;
  }
}

TEST(LogFaults, DirectoryMissingAtSetUpIsWrittenOnceItExists) {
  ScratchDir dir;
  const std::string later = dir / "later";
  ASSERT_TRUE(RunInChild([&] {
    Vo_PrintOut_Init("main.txt", "brief.txt", later.c_str(), "", VO_LOG_INFO);
    LogTagged("early", 0);
    EXPECT_FALSE(FileExists(later)) << "the library made the directory";
    fs::create_directory(later);
    LetTheClockTurn();
    for (int i = 0; i < 3; ++i) LogTagged("late", i);
  }));
  const std::vector<std::string> late = {Tagged("late", 0), Tagged("late", 1), Tagged("late", 2)};
  EXPECT_EQ(MessagesIn({dir / "later/main.txt"}), late);
  EXPECT_EQ(MessagesIn({dir / "later/brief.txt"}), late);
  const auto brief = ReadLines(dir / "later/brief.txt");
  ASSERT_FALSE(brief.empty());
  EXPECT_EQ(brief[0], kSeparatorLine) << "the set-up's separator comes with the first opening";
}

// --- Something other than a file at the path ---

// A FIFO at a log's path is written without blocking: nobody reading it
// costs the lines that do not fit, never a stalled process, and once it is
// gone the path is a file again; a reader gets the lines.
TEST(LogFaults, FifoAtThePathNeverStallsTheProcess) {
  struct Case {
    const char* who_reads;
    bool reader;
    int lines;
  };
  const Case cases[] = {{"nobody", false, 3000}, {"a reader", true, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.who_reads);
    ScratchDir dir;
    if (!vo_tools_test::MakeFifo(dir / "probe")) GTEST_SKIP() << "no FIFOs on this platform";
    const std::string text(1000, 'x');
    const auto outcome = vo_tools_test::ForkAndWait(
        [&] {
          Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "", VO_LOG_INFO);
          LogTagged("before", 0);
          std::unique_ptr<vo_tools_test::FifoReader> readers[2];
          int n = 0;
          for (const char* name : {"brief.txt", "main.txt"}) {
            fs::remove(dir / name);
            ASSERT_TRUE(vo_tools_test::MakeFifo(dir / name));
            if (c.reader) readers[n++] = std::make_unique<vo_tools_test::FifoReader>(dir / name);
          }
          LetTheClockTurn();
          for (int i = 0; i < c.lines; ++i) {
            Vo_PrintOut(VO_LOG_INFO, true, "faults", i, "piped %d %s", i, text.c_str());
          }
          for (int r = 0; r < n; ++r) {
            // Each line reaches each reader whole (the separator does not:
            // the brief log had it at set-up); the main log's reader first.
            std::vector<std::string> expected;
            for (int i = 0; i < c.lines; ++i) {
              expected.push_back("piped " + std::to_string(i) + " " + text);
            }
            std::vector<std::string> lines;
            std::istringstream in(readers[r]->Stop());
            for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
            EXPECT_EQ(MessagesOf(lines), expected) << "reader " << r;
          }
          fs::remove(dir / "brief.txt");
          fs::remove(dir / "main.txt");
          LetTheClockTurn();
          for (int i = 0; i < 3; ++i) LogTagged("after", i);
        },
        vo_tools_test::kHangBound);
    ASSERT_EQ(outcome, vo_tools_test::ForkOutcome::kExitedCleanly)
        << "a log write blocked on the FIFO, or the child failed";
    const std::vector<std::string> after = {Tagged("after", 0), Tagged("after", 1),
                                            Tagged("after", 2)};
    EXPECT_EQ(MessagesIn({dir / "brief.txt"}), after);
    EXPECT_EQ(MessagesIn({dir / "main.txt"}), after);
  }
}

// --- A process started with its standard descriptors closed ---

TEST(LogFaults, LogFilesNeverTakeTheStandardDescriptors) {
  if (!vo_tools_test::ScopedClosedStandardDescriptors::Supported()) {
    GTEST_SKIP() << "no numbered standard descriptors on this platform";
  }
  ScratchDir dir;
  ASSERT_TRUE(RunInChild([&] {
    bool open[3] = {};
    {
      vo_tools_test::ScopedClosedStandardDescriptors closed;
      Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "", VO_LOG_INFO);
      LogTagged("logged", 0);
      for (int fd = 0; fd < 3; ++fd) open[fd] = vo_tools_test::DescriptorIsOpen(fd);
    }
    for (int fd = 0; fd < 3; ++fd) EXPECT_FALSE(open[fd]) << "descriptor " << fd;
  }));
  EXPECT_EQ(MessagesIn({dir / "main.txt"}), std::vector<std::string>{Tagged("logged", 0)});
  EXPECT_EQ(MessagesIn({dir / "brief.txt"}), std::vector<std::string>{Tagged("logged", 0)});
}

// --- A directory that other users can write to ---

// In a directory another user can write, a log follows no link at its last
// step and uses no file another user owns: it writes nothing until the path
// is clear, then creates its own file there. In its own directory a link is
// followed as ever.
TEST(LogFaults, DirectoryOthersCanWriteLetsNoOneIn) {
  struct Case {
    const char* what;
    bool shared;         // the directory is world-writable and sticky
    bool brief_is_link;  // else the main log's path is the link
  };
  const Case cases[] = {{"shared: a link at the brief log, a file at the main", true, true},
                        {"shared: a link at the main log, a file at the brief", true, false},
                        {"own directory: a link is followed", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    const std::string logs = dir / "logs";
    const std::string secret = dir / "secret";
    fs::create_directory(logs);
    WriteFile(secret, "secret\n");
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    const std::string link = dir / (c.brief_is_link ? "logs/brief.txt" : "logs/main.txt");
    const std::string planted = dir / (c.brief_is_link ? "logs/main.txt" : "logs/brief.txt");
    std::string why_not;
    if (c.shared) {
      fs::permissions(logs, fs::perms::all | fs::perms::sticky_bit);
      const bool planted_ok = vo_tools_test::RunAsAnotherUser(
          [&] {
            fs::create_symlink(secret, link);
            WriteFile(planted, "planted\n");
            fs::permissions(planted, fs::perms::owner_read | fs::perms::owner_write |
                                         fs::perms::group_read | fs::perms::group_write |
                                         fs::perms::others_read | fs::perms::others_write);
          },
          &why_not);
      if (!why_not.empty()) GTEST_SKIP() << why_not;
      ASSERT_TRUE(planted_ok);
    } else {
      std::error_code error;
      fs::create_symlink(secret, link, error);
      if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
    }
    ASSERT_TRUE(RunInChild([&] {
      Vo_PrintOut_Init("main.txt", "brief.txt", logs.c_str(), "", VO_LOG_INFO);
      Vo_PrintOut(VO_LOG_INFO, true, "faults", 0, "session token abc123");
      if (!c.shared) return;
      EXPECT_EQ(ReadFile(planted), "planted\n");
      fs::remove(link);
      fs::remove(planted);
      LetTheClockTurn();
      LogTagged("later", 0);
    }));
    if (!c.shared) {
      EXPECT_NE(ReadFile(secret).find("session token abc123"), std::string::npos);
      continue;
    }
    EXPECT_EQ(ReadFile(secret), "secret\n");
    for (const char* name : {"logs/brief.txt", "logs/main.txt"}) {
      EXPECT_EQ(MessagesIn({dir / name}), std::vector<std::string>{Tagged("later", 0)}) << name;
      EXPECT_EQ(vo_tools_test::OwnerOf(dir / name), 0) << name;
      const fs::perms perms = fs::status(dir / name).permissions();
      EXPECT_EQ(perms & (fs::perms::group_write | fs::perms::others_write), fs::perms::none)
          << name;
    }
  }
}

// --- A full disk ---

TEST(LogFaults, LineCutShortByAFullDiskLeavesTheNextLineWhole) {
  if (!vo_tools_test::ScopedFileSizeLimit::Supported()) {
    GTEST_SKIP() << "Windows has no per-process limit on file sizes to stand in for a full disk";
  }
  ScratchDir dir;
  ASSERT_TRUE(RunInChild([&] {
    Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "", VO_LOG_INFO);
    LogTagged("whole", 0);
    {
      // Room for a few bytes of the next line in each file.
      const std::uint64_t largest =
          std::max(fs::file_size(dir / "main.txt"), fs::file_size(dir / "brief.txt"));
      vo_tools_test::ScopedFileSizeLimit full(largest + 10);
      ASSERT_TRUE(full.active());
      LogTagged("cut", 1);
      LogTagged("refused", 2);
    }
    LogTagged("after", 3);
    LogTagged("after", 4);
  }));
  for (const char* file : {"main.txt", "brief.txt"}) {
    SCOPED_TRACE(file);
    std::vector<std::string> lines = ReadLines(dir / file);
    ASSERT_GE(lines.size(), 4u);
    const std::string cut = lines[lines.size() - 3];
    // A line of its own: the brief log's starts with its stamp, the main
    // log's with its record head.
    const bool main_log = std::string(file) == "main.txt";
    EXPECT_TRUE(main_log ? std::isdigit(static_cast<unsigned char>(cut[0])) != 0
                         : cut.rfind("pid=", 0) == 0)
        << cut;
    EXPECT_EQ(cut.find("refused"), std::string::npos);
    EXPECT_EQ(cut.back(), '\n');
    lines.erase(lines.end() - 3);
    EXPECT_EQ(MessagesOf(lines), (std::vector<std::string>{Tagged("whole", 0), Tagged("after", 3),
                                                           Tagged("after", 4)}));
  }
}

// --- Forks while other threads log ---

constexpr int kForkingThreads = 3;
constexpr int kForks = 20;
constexpr int kThreadLinesPerFork = 3000;

TEST(LogFaults, ChildForkedWhileThreadsLogCanLog) {
  if (!vo_tools_test::CanFork()) GTEST_SKIP() << "Windows has no fork";
  ScratchDir dir;
  ASSERT_TRUE(RunInChild([&dir] {
    Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "", VO_LOG_INFO);
    std::atomic<bool> stop{false};
    std::atomic<int> running{0};
    // Lines the threads may still log: each fork adds some, so that the
    // threads are busy logging as it forks, and what they write in all stays
    // well within what the main log keeps, however slow the forks are.
    std::atomic<int> budget{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kForkingThreads; ++t) {
      threads.emplace_back([&stop, &running, &budget, t] {
        running.fetch_add(1);
        while (!stop.load()) {
          int left = budget.load();
          while (left > 0 && !budget.compare_exchange_weak(left, left - 1)) {
          }
          if (left > 0) {
            LogTagged("thread", t);
          } else {
            std::this_thread::yield();
          }
        }
      });
    }
    while (running.load() < kForkingThreads) std::this_thread::yield();
    int logged = 0;
    for (int k = 0; k < kForks; ++k) {
      budget.fetch_add(kThreadLinesPerFork);
      const auto outcome =
          vo_tools_test::ForkAndWait([k] { LogTagged("child", k); }, vo_tools_test::kHangBound);
      if (outcome != vo_tools_test::ForkOutcome::kExitedCleanly) break;  // one hang says enough
      ++logged;
    }
    stop.store(true);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(logged, kForks) << "children that logged and exited in time";
  }));
  // Each child's line carries its own process id. The threads' lines have
  // rotated the brief log many times over; the main log keeps 30 MiB, more
  // than the threads' budget.
  std::set<unsigned long> child_pids;
  std::set<unsigned long> thread_pids;
  int children = 0;
  for (const std::string& line :
       LinesOf({dir / "main.txt.5", dir / "main.txt.4", dir / "main.txt.3", dir / "main.txt.2",
                dir / "main.txt.1", dir / "main.txt"})) {
    unsigned long pid = 0;
    std::string message;
    if (vo_tools_test::IsSetUpRecord(line)) continue;
    ASSERT_TRUE(ParseLine(line, &pid, &message)) << line.substr(0, 200);
    if (message.rfind("child ", 0) == 0) {
      ++children;
      child_pids.insert(pid);
    } else {
      thread_pids.insert(pid);
    }
  }
  EXPECT_EQ(children, kForks);
  EXPECT_EQ(child_pids.size(), std::size_t{kForks});
  ASSERT_EQ(thread_pids.size(), 1u);
  EXPECT_EQ(child_pids.count(*thread_pids.begin()), 0u);
}

}  // namespace

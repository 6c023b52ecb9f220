// The logging functions of the shared library with its own log service:
// what reaches the files when many threads and processes log at once.
// Logging is set up once per process, so each test logs in children.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "log_lines.h"
#include "os_situations.h"
#include "scratch_dir.h"
#include "test_env.h"
#include "vo_tools/log.h"

namespace {

using vo_tools_test::Child;
using vo_tools_test::FileExists;
using vo_tools_test::kBriefRotationBytes;
using vo_tools_test::kSeparatorLine;
using vo_tools_test::LinesOf;
using vo_tools_test::ParseLine;
using vo_tools_test::ReadFile;
using vo_tools_test::ReadLines;
using vo_tools_test::RunInChild;
using vo_tools_test::ScratchDir;

const std::string kPadding(60, '.');
constexpr int kThreads = 5;
constexpr int kThreadLines = 32000;  // within the main log and its backups
constexpr int kProcessLines = 3000;

// Parses "<tag> <stream> line <number> <padding>"; false if anything differs.
bool Numbered(const std::string& message, const char* tag, int* stream, int* number) {
  char text[64];
  std::snprintf(text, sizeof text, "%s %%d line %%d %%n", tag);
  int used = 0;
  if (std::sscanf(message.c_str(), text, stream, number, &used) != 2 || used == 0) return false;
  return message.substr(used) == kPadding;
}

// Counts of the numbered lines of each stream, in file order; fails the test
// on a torn line.
std::map<int, std::vector<int>> Tally(const std::vector<std::string>& lines, const char* tag,
                                      int* separators) {
  std::map<int, std::vector<int>> numbers;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line == kSeparatorLine || vo_tools_test::IsSetUpRecord(line)) {
      ++*separators;
      continue;
    }
    std::string message;
    unsigned long pid = 0;
    int stream = -1, number = -1;
    if (!ParseLine(line, &pid, &message) || !Numbered(message, tag, &stream, &number)) {
      ADD_FAILURE() << "not a whole line, the " << i << "th of " << lines.size() << ": "
                    << line.substr(0, 200)
                    << (i > 0 ? "\nafter: " + lines[i - 1].substr(0, 200) : std::string());
      continue;
    }
    numbers[stream].push_back(number);
  }
  return numbers;
}

// Logs lines `first` to `count` - 1 of `stream`.
void LogNumbered(const char* tag, int stream, int count, int first = 0) {
  for (int i = first; i < count; ++i) {
    Vo_PrintOut(VO_LOG_INFO, true, "test", i, "%s %d line %d %s", tag, stream, i, kPadding.c_str());
  }
}

// More threads than cores: a writer rotating the main log is descheduled
// now and then, and the others' lines must not outgrow the file meanwhile.
TEST(Log, ManyThreadsKeepTheMainLogWholeWithinItsCapAndTheBriefLogsLatestLines) {
  constexpr int kLines = kThreadLines;
  ScratchDir dir;
  ASSERT_TRUE(RunInChild([&dir] {
    Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "", VO_LOG_INFO);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back(LogNumbered, "thread", t, kThreadLines, 0);
    }
    for (std::thread& thread : threads) thread.join();
  }));

  // The brief log rotated several times: its backup and current file hold
  // the latest lines, each whole, each thread's in order without a gap. A
  // thread that finished early may have no line left in them.
  ASSERT_TRUE(FileExists(dir / "brief.BAK"));
  int separators = 0;
  const auto brief = Tally(LinesOf({dir / "brief.BAK", dir / "brief.txt"}), "thread", &separators);
  ASSERT_GE(brief.size(), 1u);
  ASSERT_LE(brief.size(), std::size_t{kThreads});
  for (const auto& [thread, numbers] : brief) {
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      ASSERT_EQ(numbers[i], kLines - static_cast<int>(numbers.size() - i)) << "thread " << thread;
    }
  }
  EXPECT_LE(std::filesystem::file_size(dir / "brief.BAK"), kBriefRotationBytes + 200u);

  // The main log rotated too, each file at its cap but for the one line that
  // found it full, and holds every line exactly once, in order.
  for (const char* backup : {"main.txt.1", "main.txt.2", "main.txt.3"}) {
    ASSERT_TRUE(FileExists(dir / backup));
    EXPECT_LE(std::filesystem::file_size(dir / backup), vo_tools_test::kMainLogCapBytes + 200u)
        << backup;
  }
  separators = 0;
  const auto main = Tally(LinesOf({dir / "main.txt.5", dir / "main.txt.4", dir / "main.txt.3",
                                   dir / "main.txt.2", dir / "main.txt.1", dir / "main.txt"}),
                          "thread", &separators);
  EXPECT_EQ(separators, 1) << "the one set-up's record";
  ASSERT_EQ(main.size(), std::size_t{kThreads});
  for (const auto& [thread, numbers] : main) {
    ASSERT_EQ(numbers.size(), std::size_t{kLines}) << "thread " << thread;
    for (int i = 0; i < kLines; ++i) ASSERT_EQ(numbers[i], i) << "thread " << thread;
  }
}

// A thread may log at any point of its life: here from a thread-local
// object's destructor, which runs after whatever the thread's first line
// made on the library's side.
TEST(Log, ThreadsLogWhileTheyEnd) {
  ScratchDir dir;
  ASSERT_TRUE(RunInChild([&dir] {
    Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "", VO_LOG_INFO);
    // MinGW may free a thread-local object's storage before its destructor
    // runs: the destructor reads nothing of it, and finds its stream here.
    static std::mutex streams_mutex;
    static std::map<std::thread::id, int> streams;
    struct LogsAtItsEnd {
      ~LogsAtItsEnd() {
        std::unique_lock<std::mutex> lock(streams_mutex);
        const int stream = streams[std::this_thread::get_id()];
        lock.unlock();
        LogNumbered("ending", stream, 2, 1);
      }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([t] {
        thread_local LogsAtItsEnd last;
        static_cast<void>(&last);  // made now, before the thread's first line
        {
          std::lock_guard<std::mutex> lock(streams_mutex);
          streams[std::this_thread::get_id()] = t;
        }
        LogNumbered("ending", t, 1);
      });
    }
    for (std::thread& thread : threads) thread.join();
  }));
  int separators = 0;
  const auto brief = Tally(ReadLines(dir / "brief.txt"), "ending", &separators);
  ASSERT_EQ(brief.size(), std::size_t{kThreads});
  for (const auto& [thread, numbers] : brief) EXPECT_EQ(numbers, std::vector<int>({0, 1}));
}

std::atomic<int> g_handler_lines{0};

void LogFromHandler() {
  const int line = g_handler_lines.fetch_add(1);
  LogNumbered("storm", 1, line + 1, line);
}

// A signal handler that logs while its thread logs: a call that interrupts
// another neither waits for the lock its thread holds nor touches the line
// being written. The thread's lines all come out once, whole; the handler's
// at most once.
TEST(Log, SignalHandlerThatLogsNeitherHangsNorGarblesTheInterruptedLine) {
  if (!vo_tools_test::ScopedSignalStorm::Supported()) GTEST_SKIP() << "no signals here";
  ScratchDir dir;
  ASSERT_TRUE(RunInChild([&dir] {
    Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "", VO_LOG_INFO);
    vo_tools_test::ScopedSignalStorm storm(LogFromHandler, 100);
    LogNumbered("storm", 0, kProcessLines);
  }));
  for (const char* file : {"brief.txt", "main.txt"}) {
    int separators = 0;
    auto tally = Tally(ReadLines(dir / file), "storm", &separators);
    ASSERT_EQ(tally[0].size(), std::size_t{kProcessLines}) << file;
    for (int i = 0; i < kProcessLines; ++i) ASSERT_EQ(tally[0][i], i) << file;
    for (std::size_t i = 1; i < tally[1].size(); ++i) ASSERT_LT(tally[1][i - 1], tally[1][i]);
  }
}

TEST(Log, TwoProcessesSharingTheLogsTearNoLine) {
  if (vo_tools_test::RunningUnderWine()) {
    GTEST_SKIP() << "Wine appends by finding the end of the file and then writing there, so "
                    "two processes can write over each other; Windows appends atomically";
  }
  constexpr int kLines = kProcessLines;
  ScratchDir dir;
  auto body = [&dir](int process) {
    return [&dir, process] {
      Vo_PrintOut_Init("", "", dir.path().c_str(), "", VO_LOG_INFO);
      LogNumbered("process", process, kProcessLines);
    };
  };
  Child first(body(0));
  Child second(body(1));
  ASSERT_TRUE(first.Wait());
  ASSERT_TRUE(second.Wait());

  for (const char* file : {"SysmetLogBrief.txt", "SysmetLog.txt"}) {
    int separators = 0;
    const auto tally = Tally(ReadLines(dir / file), "process", &separators);
    EXPECT_EQ(separators, 2) << file;
    ASSERT_EQ(tally.size(), 2u) << file;
    for (const auto& [process, numbers] : tally) {
      ASSERT_EQ(numbers.size(), std::size_t{kLines}) << file;
      for (int i = 0; i < kLines; ++i) ASSERT_EQ(numbers[i], i) << file;
    }
  }
}

TEST(Log, TwoThreadsLoggingFirstLinesAtOnceSetUpOnce) {
  ScratchDir tmp;
  ASSERT_TRUE(RunInChild([&tmp] {
    vo_tools_test::ScopedTemporaryDirectory temporary(tmp.path());
    std::atomic<int> ready{0};
    auto first_line = [&ready](int t) {
      ready.fetch_add(1);
      while (ready.load() < 2) {
      }
      Vo_PrintOut(VO_LOG_INFO, true, "", 0, "thread %d line 0 %s", t, kPadding.c_str());
    };
    std::thread a(first_line, 0), b(first_line, 1);
    a.join();
    b.join();
  }));
  int separators = 0;
  const auto brief = Tally(ReadLines(tmp / "SysmetLogBrief.txt"), "thread", &separators);
  EXPECT_EQ(separators, 1);
  EXPECT_EQ(brief.size(), 2u);
  separators = 0;
  EXPECT_EQ(Tally(ReadLines(tmp / "SysmetLog.txt"), "thread", &separators).size(), 2u);
}

TEST(Log, MainLogHoldsExactlyTheLinesWrittenInOrder) {
  ScratchDir dir;
  ASSERT_TRUE(RunInChild([&dir] {
    Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "creation", VO_LOG_ERROR);
    Vo_PrintOut1(VO_LOG_INFO, false, nullptr, 0, "100%s and %d stay as they are");
    Vo_PrintOut(VO_LOG_TRACE, true, "ctx\n", -7, "%d%%", 50);
    Vo_PrintOut1(VO_LOG_INFO, false, "", 0, "two\nlines");
  }));
  // The service's records: its own stamp, the level, context and number,
  // then the line as the library made it; one record per set-up.
  const auto lines = ReadLines(dir / "main.txt");
  ASSERT_EQ(lines.size(), 5u);
  // GoogleTest's two regular expression dialects share no digit class, and
  // in the simple one (Windows) no '.' matches a line feed.
  const std::string stamp = R"(....-..-.. ..:..:..\.... )";
  const auto text = [&lines](int n) { return lines[n].substr(0, lines[n].size() - 1); };
  EXPECT_THAT(text(0),
              testing::MatchesRegex(stamp + R"(SETUP \| level ERROR, creation text "creation")"));
  EXPECT_THAT(text(1), testing::MatchesRegex(stamp + R"(INFO -#0 \| pid=.*)"));
  EXPECT_THAT(text(2), testing::MatchesRegex(stamp + R"(OTHER ctx\?#-7 \| pid=.*)"));
  std::string message;
  unsigned long pid = 0;
  ASSERT_TRUE(ParseLine(lines[1], &pid, &message));
  EXPECT_EQ(message, "100%s and %d stay as they are");
  ASSERT_TRUE(ParseLine(lines[2], &pid, &message));
  EXPECT_EQ(message, "50%");
  EXPECT_EQ(lines[4], "lines\n");
  EXPECT_EQ(ReadLines(dir / "brief.txt"),
            (std::vector<std::string>{kSeparatorLine, lines[2].substr(lines[2].find("pid="))}));
}

}  // namespace

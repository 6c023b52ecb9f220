// The file-backed log service: verbatim appends, whole chunks from many
// threads, and rolling into numbered backups, also when another writer of
// the same file rolls first.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/fault_hooks.h"
#include "quill/quill_log.h"
#include "scratch_dir.h"

namespace {

using vo_tools_test::FileExists;
using vo_tools_test::ReadFile;
using vo_tools_test::ReadLines;
using vo_tools_test::ScratchDir;
using Holder = QUILL::CSmartPtr<IQuillLog1>;

constexpr unsigned long kLimitKib = 5120;
constexpr std::size_t kLimit = kLimitKib * 1024;

Holder Create(const std::string& path) {
  return IQuillLog1::CreateInstance(path.c_str(), kLimitKib, 5, nullptr, "", IQuillLog1::kShared);
}

std::string Line(int writer, int number, std::size_t padding = 60) {
  return "writer " + std::to_string(writer) + " line " + std::to_string(number) +
         std::string(padding, '.') + "\n";
}

// Large chunks make the multi-megabyte roll tests quick.
constexpr std::size_t kBigPadding = 8000;

TEST(QuillLog, AppendsChunksVerbatim) {
  ScratchDir dir;
  const std::string path = dir / "main.txt";
  vo_tools_test::WriteFile(path, "kept\n");
  Holder log = Create(path);
  EXPECT_TRUE(log->Configure(3, 0, 120));
  EXPECT_TRUE(log->Write("ctx", 1, 2, "100%s %d %n done\n"));
  EXPECT_TRUE(log->Write("ctx", 1, 0, "no line end"));
  EXPECT_TRUE(log->Write("ctx", 1, 0, ""));
  EXPECT_EQ(ReadFile(path), "kept\n100%s %d %n done\nno line end");
}

// The clock the log's looks go by, moved by the test alone.
std::int64_t g_now = 1000;
std::int64_t TestClock() {
  return g_now;
}

// A file that another writer left mid-line (a crash) when the log opens it
// or looks at it: the next chunk starts on a line of its own, in the same
// write; but a look never breaks this log's own line written in pieces.
TEST(QuillLog, FileEndingMidLineIsNeverGluedToTheNextChunk) {
  struct Case {
    const char* when;
    const char* before;   // the file's contents before the log opens it
    const char* first;    // chunk written before the look
    const char* between;  // appended by another writer before the look
    const char* expected;
  };
  const Case cases[] = {
      {"at the opening", "cut off mid-li", "one\n", "", "cut off mid-li\none\ntwo\n"},
      {"at a look", "", "one\n", "frag", "one\nfrag\ntwo\n"},
      {"own piece before a look", "", "one piece, ", "", "one piece, two\n"},
  };
  vo_tools::platform::SetClockHook(TestClock);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.when);
    ScratchDir dir;
    const std::string path = dir / "main.txt";
    vo_tools_test::WriteFile(path, c.before);
    Holder log = Create(path);
    EXPECT_TRUE(log->Write("", 0, 1, c.first));
    std::ofstream(path, std::ios::binary | std::ios::app) << c.between;
    ++g_now;
    EXPECT_TRUE(log->Write("", 0, 1, "two\n"));
    EXPECT_EQ(ReadFile(path), c.expected);
  }
  vo_tools::platform::SetClockHook(nullptr);
}

TEST(QuillLog, PathThatCannotBeOpenedFailsEveryWrite) {
  ScratchDir dir;
  vo_tools_test::WriteFile(dir / "plain", "x");
  Holder log = Create(dir / "plain/main.txt");
  EXPECT_FALSE(log->Write("", 0, 0, "lost\n"));
  EXPECT_FALSE(log->Write("", 0, 0, nullptr));
}

TEST(QuillLog, ChunksFromManyThreadsStayWholeAndInOrder) {
  ScratchDir dir;
  const std::string path = dir / "main.txt";
  Holder log = Create(path);
  constexpr int kThreads = 4;
  constexpr int kLines = 5000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < kLines; ++i) log->Write("", 0, 1, Line(t, i).c_str());
    });
  }
  for (std::thread& thread : threads) thread.join();
  int next[kThreads] = {};
  for (const std::string& line : ReadLines(path)) {
    int writer = -1, number = -1;
    ASSERT_EQ(std::sscanf(line.c_str(), "writer %d line %d", &writer, &number), 2) << line;
    ASSERT_TRUE(writer >= 0 && writer < kThreads) << line;
    ASSERT_EQ(line, Line(writer, number));
    EXPECT_EQ(number, next[writer]++);
  }
  for (int count : next) EXPECT_EQ(count, kLines);
}

// Writes numbered big chunks until the file has rolled once more, that is
// until the current file is smaller than before the write; returns the next
// number.
int WriteUntilRolled(IQuillLog1* log, const std::string& path, int number) {
  for (;;) {
    const auto before = std::filesystem::file_size(path);
    EXPECT_TRUE(log->Write("", 0, 1, Line(0, number++, kBigPadding).c_str()));
    if (std::filesystem::file_size(path) < before) return number;
    if (number > 100000) {
      ADD_FAILURE() << "never rolled";
      return number;
    }
  }
}

TEST(QuillLog, RollsAtTheLimitKeepingFiveBackups) {
  ScratchDir dir;
  const std::string path = dir / "main.txt";
  Holder log = Create(path);
  ASSERT_TRUE(log->Write("", 0, 1, Line(0, 0, kBigPadding).c_str()));
  int number = WriteUntilRolled(log.get(), path, 1);
  const std::string first_roll = ReadFile(path + ".1");
  EXPECT_GE(first_roll.size(), kLimit);
  EXPECT_LT(first_roll.size(), kLimit + 128 * 1024);
  EXPECT_EQ(first_roll.substr(0, 30), Line(0, 0).substr(0, 30));
  // Five more rolls: the first rolled file becomes the oldest, then is dropped.
  for (int roll = 2; roll <= 5; ++roll) number = WriteUntilRolled(log.get(), path, number);
  EXPECT_EQ(ReadFile(path + ".5"), first_roll);
  number = WriteUntilRolled(log.get(), path, number);
  EXPECT_FALSE(FileExists(path + ".6"));
  EXPECT_NE(ReadFile(path + ".5"), first_roll);
  // Nothing but the oldest file was lost: the backups and the current file
  // hold every later chunk once, in order.
  int expected = -1;
  for (const std::string& file :
       {path + ".5", path + ".4", path + ".3", path + ".2", path + ".1", path}) {
    for (const std::string& line : ReadLines(file)) {
      int writer = -1, n = -1;
      ASSERT_EQ(std::sscanf(line.c_str(), "writer %d line %d", &writer, &n), 2);
      if (expected >= 0) {
        EXPECT_EQ(n, expected);
      }
      expected = n + 1;
    }
  }
  EXPECT_EQ(expected, number);
}

TEST(QuillLog, WriterWhoseFileWasRolledAwayFollowsThePathAndLosesNothing) {
  ScratchDir dir;
  const std::string path = dir / "main.txt";
  Holder roller = Create(path);
  Holder other = Create(path);  // as another process would: its own open file
  ASSERT_TRUE(other->Write("", 0, 1, Line(1, 0).c_str()));
  ASSERT_TRUE(roller->Write("", 0, 1, Line(0, 0, kBigPadding).c_str()));
  const int rolled = WriteUntilRolled(roller.get(), path, 1);
  // The other writer goes on; within 64 KiB of its own lines it notices.
  int number = 1;
  for (; number < 2000; ++number) ASSERT_TRUE(other->Write("", 0, 1, Line(1, number).c_str()));
  ASSERT_TRUE(roller->Write("", 0, 1, Line(0, rolled, kBigPadding).c_str()));
  EXPECT_FALSE(FileExists(path + ".2"));

  std::set<std::string> seen;
  int next[2] = {0, 0};
  for (const std::string& file : {path + ".1", path}) {
    for (const std::string& line : ReadLines(file)) {
      int writer = -1, n = -1;
      ASSERT_EQ(std::sscanf(line.c_str(), "writer %d line %d", &writer, &n), 2) << line;
      ASSERT_EQ(line, Line(writer, n, writer == 0 ? kBigPadding : 60));
      EXPECT_EQ(n, next[writer]++) << "writer " << writer;
      EXPECT_TRUE(seen.insert(line).second);
    }
  }
  EXPECT_EQ(next[0], rolled + 1);
  EXPECT_EQ(next[1], number);
  // The other writer's last lines are in the current file, not the backup.
  EXPECT_EQ(ReadLines(path).back(), Line(0, rolled, kBigPadding));
  EXPECT_NE(ReadFile(path).find(Line(1, number - 1)), std::string::npos);
}

TEST(QuillLog, TwoWritersFindingTheFileFullRollItOnce) {
  ScratchDir dir;
  const std::string path = dir / "main.txt";
  vo_tools_test::WriteFile(path, std::string(kLimit, 'f'));
  Holder first = Create(path);
  Holder second = Create(path);
  ASSERT_TRUE(first->Write("", 0, 1, "after the roll\n"));
  ASSERT_TRUE(second->Write("", 0, 1, "also after it\n"));
  EXPECT_EQ(ReadFile(path + ".1").size(), kLimit);
  EXPECT_FALSE(FileExists(path + ".2"));
  EXPECT_EQ(ReadFile(path), "after the roll\nalso after it\n");
}

}  // namespace

// The log-file engine both logs are made of: exact rotation into shifted
// backups, the line-start repair, following the path, rotation under the
// file lock across processes, texts of many threads.
#include "log_file/shared_log_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "os_situations.h"
#include "platform/fault_hooks.h"
#include "scratch_dir.h"
#include "test_env.h"
#include "wait_for.h"

namespace {

namespace fs = std::filesystem;
using vo_tools::log_file::SharedLogFile;
using vo_tools::platform::FileFault;
using vo_tools::platform::FileOp;
using vo_tools_test::FileExists;
using vo_tools_test::ReadFile;
using vo_tools_test::ReadLines;
using vo_tools_test::ScratchDir;
using vo_tools_test::WriteFile;

// The clock the looks go by, moved by the test alone.
std::int64_t g_now = 1000;
std::int64_t TestClock() {
  return g_now;
}

class SharedLogFileTest : public testing::Test {
 protected:
  SharedLogFileTest() { vo_tools::log_file::SetLookClockForTesting(TestClock); }
  ~SharedLogFileTest() override { vo_tools::log_file::SetLookClockForTesting(nullptr); }

  std::string Path() const { return dir_ / "log.txt"; }
  // Rotating at `rotate_at` into `backups` numbered backups (path.1 newest).
  SharedLogFile::Policy Policy(std::uint64_t rotate_at, int backups = 1) const {
    SharedLogFile::Policy policy{vo_tools::platform::AppendFile::Mode::kBinary, rotate_at, {}};
    for (int n = 1; n <= backups; ++n) policy.backups.push_back(Path() + "." + std::to_string(n));
    return policy;
  }
  static void Append(SharedLogFile& file, const std::string& text) {
    file.Append(text.data(), text.size());
  }

  ScratchDir dir_;
};

std::string Numbered(int writer, int number, std::size_t padding = 60) {
  return "writer " + std::to_string(writer) + " line " + std::to_string(number) +
         std::string(padding, '.') + "\n";
}

// How many lines of each of `writers` the files hold, in turn; a line not
// whole, or out of its writer's order, fails the test.
std::vector<int> LinesPerWriter(const std::vector<std::string>& files, int writers) {
  std::vector<int> next(writers, 0);
  for (const std::string& file : files) {
    for (const std::string& line : ReadLines(file)) {
      int writer = -1, n = -1;
      std::sscanf(line.c_str(), "writer %d line %d", &writer, &n);
      const std::size_t bare = Numbered(writer, n, 0).size();
      EXPECT_TRUE(writer >= 0 && writer < writers && line.size() >= bare &&
                  line == Numbered(writer, n, line.size() - bare))
          << line;
      if (writer >= 0 && writer < writers) {
        EXPECT_EQ(n, next[writer]++) << line;
      }
    }
  }
  return next;
}

// The text that finds the file at its size is the first of the new file;
// each rotation shifts the backups, and the oldest goes.
TEST_F(SharedLogFileTest, RotatesExactlyAtItsSizeShiftingTheBackups) {
  const auto line = [](int n) { return std::to_string(n) + std::string(98, 'x') + "\n"; };
  SharedLogFile file(Path(), Policy(1000, 2));
  for (int n = 10; n < 50; ++n) Append(file, line(n));  // 100 bytes each
  const std::string kept[] = {Path() + ".2", Path() + ".1", Path()};
  for (int batch = 0; batch < 3; ++batch) {
    std::string expected;
    for (int n = 20 + 10 * batch; n < 30 + 10 * batch; ++n) expected += line(n);
    EXPECT_EQ(ReadFile(kept[batch]), expected) << kept[batch];
  }
  EXPECT_FALSE(FileExists(Path() + ".3"));
}

// A file that ends mid-line (a crash, or a disk full, in another process)
// when the log opens it, looks at it, or follows its path to it: the next
// text starts on a line of its own, in the same write; but a look never
// breaks this log's own line written in pieces.
TEST_F(SharedLogFileTest, FileEndingMidLineIsNeverGluedToTheNextText) {
  struct Case {
    const char* when;
    const char* before;  // the file's contents before the log opens it
    const char* first;   // the text before the look
    void (*meanwhile)(const std::string& path);
    const char* expected;
  };
  const Case cases[] = {
      {"at the opening", "cut off mid-li", "one\n", [](const std::string&) {},
       "cut off mid-li\none\ntwo\n"},
      {"at a look", "", "one\n",
       [](const std::string& path) { std::ofstream(path, std::ios::app) << "frag"; },
       "one\nfrag\ntwo\n"},
      {"following the path", "", "one\n",
       [](const std::string& path) {
         fs::rename(path, path + ".moved");
         WriteFile(path, "another's frag");
       },
       "another's frag\ntwo\n"},
      {"own piece before a look", "", "one piece, ", [](const std::string&) {}, "one piece, two\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.when);
    WriteFile(Path(), c.before);
    SharedLogFile file(Path(), Policy(1 << 20));
    Append(file, c.first);
    c.meanwhile(Path());
    ++g_now;
    Append(file, "two\n");
    EXPECT_EQ(ReadFile(Path()), c.expected);
  }
}

// A reader that holds the file, or its newest backup, open without sharing
// the right to delete (Windows' runtime, as an ifstream here, and many
// tailers) stops renaming and removal there: what cannot be renamed is
// copied to its next place and emptied, so no history is lost and no file
// outgrows its size. Elsewhere the rotation renames under the reader.
TEST_F(SharedLogFileTest, RotationUnderAReaderOfTheFileOrItsNewestBackupLosesNothing) {
  const auto line = [](int n) { return std::to_string(n) + std::string(98, 'x') + "\n"; };
  for (const char* held : {"", ".1"}) {
    SCOPED_TRACE(std::string("reader of log.txt") + held);
    WriteFile(Path() + ".1", line(1));
    WriteFile(Path(), std::string(999, 'f') + "\n");
    SharedLogFile file(Path(), Policy(1000, 2));
    {
      std::ifstream reader(Path() + held);
      ASSERT_TRUE(reader.is_open());
      for (int n = 10; n < 35; ++n) Append(file, line(n));  // 100 bytes each
    }
    std::string expected[3];
    for (int n = 10; n < 35; ++n) expected[(n - 10) / 10] += line(n);
    EXPECT_EQ(ReadFile(Path() + ".2"), expected[0]);
    EXPECT_EQ(ReadFile(Path() + ".1"), expected[1]);
    EXPECT_EQ(ReadFile(Path()), expected[2]);
  }
}

TEST_F(SharedLogFileTest, PathThatCannotBeOpenedTakesNothing) {
  WriteFile(dir_ / "plain", "x");
  SharedLogFile file(dir_ / "plain/log.txt", Policy(1000));
  EXPECT_EQ(file.Append("lost\n", 5), SharedLogFile::Appended::kNothing);
  ++g_now;
  EXPECT_EQ(file.Append("", 0), SharedLogFile::Appended::kNothing);
  EXPECT_EQ(ReadFile(dir_ / "plain"), "x");
}

TEST_F(SharedLogFileTest, WriterWhoseFileWasRotatedAwayFollowsThePathAndLosesNothing) {
  SharedLogFile rotating(Path(), Policy(1 << 20));
  SharedLogFile other(Path(), Policy(1 << 20));  // as another process: its own open file
  Append(other, Numbered(1, 0));
  int rotated = 0;
  while (!FileExists(Path() + ".1")) Append(rotating, Numbered(0, rotated++, 8000));
  // The other writer goes on; within 64 KiB of its own texts it notices.
  int number = 1;
  for (; number < 2000; ++number) Append(other, Numbered(1, number));
  EXPECT_EQ(LinesPerWriter({Path() + ".1", Path()}, 2), (std::vector<int>{rotated, number}));
  EXPECT_EQ(ReadLines(Path()).back(), Numbered(1, number - 1));
}

TEST_F(SharedLogFileTest, TextsFromManyThreadsStayWholeAndInOrder) {
  SharedLogFile file(Path(), Policy(1 << 30));
  constexpr int kThreads = 4;
  constexpr int kLines = 5000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&file, t] {
      for (int i = 0; i < kLines; ++i) Append(file, Numbered(t, i));
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(LinesPerWriter({Path()}, kThreads), std::vector<int>(kThreads, kLines));
}

// Another thread's text stalled mid-write, as the system may leave one that
// crosses a page: a look asking for the last byte meanwhile could take that
// text's middle for a line left open, and put a blank line after it.
std::atomic<bool> g_text_stalled{false};
std::atomic<bool> g_text_released{false};
std::atomic<bool> g_asked_while_stalled{false};

FileFault StallTheFirstText(FileOp op) {
  if (op == FileOp::kAppend && !g_text_stalled.exchange(true)) {
    vo_tools_test::WaitFor([] { return g_text_released.load(); });
  }
  if (op == FileOp::kLastByte && g_text_stalled && !g_text_released) g_asked_while_stalled = true;
  return FileFault::kNone;
}

TEST_F(SharedLogFileTest, LookAsksForTheLastByteOnlyOnceThisProcesssTextsLanded) {
  SharedLogFile file(Path(), Policy(1 << 20));
  Append(file, "one\n");
  vo_tools::platform::SetFileFaultHook(StallTheFirstText);
  std::thread stalled([&file] { Append(file, "two\n"); });
  ASSERT_TRUE(vo_tools_test::WaitFor([] { return g_text_stalled.load(); }));
  ++g_now;
  Append(file, "three\n");
  g_text_released = true;
  stalled.join();
  ++g_now;
  Append(file, "four\n");
  vo_tools::platform::SetFileFaultHook(nullptr);
  EXPECT_FALSE(g_asked_while_stalled) << "the last byte was asked for with a text on its way";
  EXPECT_EQ(ReadFile(Path()), "one\nthree\ntwo\nfour\n");
}

// Where the process rotating the file waits, holding the file lock, until
// the test has looked.
std::string g_markers;

FileFault WaitInsideTheRotation(FileOp op) {
  if (op == FileOp::kRename && !FileExists(g_markers + "rotating")) {
    WriteFile(g_markers + "rotating", "");
    vo_tools_test::WaitFor([] { return FileExists(g_markers + "probed"); });
  }
  return FileFault::kNone;
}

// Processes holding one file take turns through the file lock: while one
// rotates the file no other can lock it, and another that finds the file
// full meanwhile puts its rotation off, not its text; at its next look it
// finds the path naming the new file and only follows it.
TEST_F(SharedLogFileTest, ProcessesRotateTheFileOnceTakingTurnsUnderTheFileLock) {
  WriteFile(Path(), std::string(1000, 'f'));
  SharedLogFile other(Path(), Policy(1000));  // found the file full too
  g_markers = dir_.path();
  vo_tools_test::Child rotating([this] {
    vo_tools::platform::SetFileFaultHook(WaitInsideTheRotation);
    SharedLogFile file(Path(), Policy(1000));
    Append(file, "after the rotation\n");
  });
  ASSERT_TRUE(vo_tools_test::WaitFor([this] { return FileExists(dir_ / "rotating"); }));
  EXPECT_FALSE(vo_tools_test::WholeFileCanBeLocked(Path()))
      << "another process could lock the file while one rotated it";
  Append(other, "while locked\n");
  EXPECT_FALSE(FileExists(Path() + ".1")) << "a writer waited for another process's file lock";
  WriteFile(dir_ / "probed", "");
  ASSERT_TRUE(rotating.Wait());
  ++g_now;
  Append(other, "also after it\n");
  EXPECT_EQ(ReadFile(Path() + ".1"), std::string(1000, 'f') + "\nwhile locked\n");
  EXPECT_FALSE(FileExists(Path() + ".2"));
  EXPECT_EQ(ReadFile(Path()), "after the rotation\nalso after it\n");
}

}  // namespace

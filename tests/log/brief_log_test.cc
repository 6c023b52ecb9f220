#include "brief_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.h"
#include "log_lines.h"
#include "log_path.h"
#include "platform/env.h"
#include "platform/fault_hooks.h"
#include "scratch_dir.h"
#include "test_env.h"

namespace {

using vo_tools::log::BackupPath;
using vo_tools::log::BriefLog;
using vo_tools_test::FileExists;
using vo_tools_test::kBriefRotationBytes;
using vo_tools_test::kLookEveryBytes;
using vo_tools_test::kSeparatorLine;
using vo_tools_test::ReadFile;
using vo_tools_test::ScratchDir;
using vo_tools_test::TextOnDisk;
using vo_tools_test::WriteFile;

class BriefLogTest : public testing::Test {
 protected:
  std::string Path() const { return dir_ / "brief.txt"; }
  std::string Backup() const { return dir_ / "brief.BAK"; }

  // Earlier contents, in whole lines, that the separator of the next opening
  // brings to the threshold, so that the first line appended then rotates.
  static std::string FullFile() {
    return std::string(kBriefRotationBytes - TextOnDisk(kSeparatorLine).size() - 1, 'e') + "\n";
  }

  ScratchDir dir_;
  CKaCriticalSection lock_;
};

TEST_F(BriefLogTest, EveryOpeningWritesOneSeparator) {
  {
    BriefLog first(&lock_);
    first.Open("brief.txt", dir_.path().c_str());
    first.Append("one\n");
  }
  BriefLog second(&lock_);
  second.Open("brief.txt", dir_.path().c_str());
  second.Append("two\n");
  second.Append(nullptr);
  EXPECT_EQ(ReadFile(Path()), TextOnDisk(kSeparatorLine + "one\n" + kSeparatorLine + "two\n"));
  EXPECT_EQ(second.path(), Path());
  EXPECT_EQ(second.backup_path(), Backup());
}

// The clock the logs' looks go by, moved by the test alone.
std::int64_t g_now = 1000;
std::int64_t TestClock() {
  return g_now;
}

class OnTheTestClock {
 public:
  OnTheTestClock() { vo_tools::platform::SetClockHook(TestClock); }
  ~OnTheTestClock() { vo_tools::platform::SetClockHook(nullptr); }
  void Turn() { ++g_now; }
};

// A file that ends mid-line (a crash, or a disk full, in another process)
// when the log opens it, looks at it, or follows its path to it: the next
// text starts on a line of its own, in the same write.
TEST_F(BriefLogTest, FileEndingMidLineIsNeverGluedToTheNextText) {
  struct Case {
    const char* when;
    void (*before_open)(const std::string& path);
    void (*after_first_line)(const std::string& path);
    const char* expected;  // in text mode; "|" stands for the separator line
  };
  const Case cases[] = {
      {"at the opening", [](const std::string& path) { WriteFile(path, "cut off mid-li"); },
       [](const std::string&) {}, "cut off mid-li\n|one\ntwo\n"},
      {"at a look", [](const std::string&) {},
       [](const std::string& path) {
         std::ofstream(path, std::ios::binary | std::ios::app) << "frag";
       },
       "|one\nfrag\ntwo\n"},
      {"following the path", [](const std::string&) {},
       [](const std::string& path) {
         std::filesystem::rename(path, path + ".moved");
         WriteFile(path, "another's frag");
       },
       "another's frag\ntwo\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.when);
    std::filesystem::remove(Path());
    c.before_open(Path());
    OnTheTestClock clock;
    BriefLog log(&lock_);
    log.Open("brief.txt", dir_.path().c_str());
    log.Append("one\n");
    c.after_first_line(Path());
    clock.Turn();
    log.Append("two\n");
    std::string expected;
    for (const char* p = c.expected; *p != '\0'; ++p) {
      if (*p == '|') {
        expected += TextOnDisk(kSeparatorLine);
      } else {
        expected += TextOnDisk(std::string(1, *p));
      }
    }
    EXPECT_EQ(ReadFile(Path()), expected);
  }
}

TEST_F(BriefLogTest, RotatesOnlyOnceThePositionReachesTheThreshold) {
  // The separator brings the position to one byte short of the threshold.
  const std::string earlier =
      std::string(kBriefRotationBytes - 2 - TextOnDisk(kSeparatorLine).size(), 'e') + "\n";
  WriteFile(Path(), earlier);
  BriefLog log(&lock_);
  log.Open("brief.txt", dir_.path().c_str());
  log.Append("last of the old file\n");
  EXPECT_FALSE(FileExists(Backup()));
  log.Append("first of the new file\n");
  EXPECT_EQ(ReadFile(Backup()), earlier + TextOnDisk(kSeparatorLine + "last of the old file\n"));
  EXPECT_EQ(ReadFile(Path()), TextOnDisk("first of the new file\n"));
}

TEST_F(BriefLogTest, RotationReplacesTheEarlierBackup) {
  WriteFile(Backup(), "an earlier backup\n");
  WriteFile(Path(), FullFile());
  BriefLog log(&lock_);
  log.Open("brief.txt", dir_.path().c_str());
  log.Append("new\n");
  EXPECT_EQ(ReadFile(Backup()), FullFile() + TextOnDisk(kSeparatorLine));
  EXPECT_EQ(ReadFile(Path()), TextOnDisk("new\n"));
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST_F(BriefLogTest, BackupThatCannotBeReplacedCostsTheFullFileOnly) {
  // A non-empty directory in the backup's place can be neither removed nor
  // renamed over, so the full file is deleted and writing goes on.
  std::filesystem::create_directory(Backup());
  WriteFile(Backup() + "/keep", "x");
  WriteFile(Path(), FullFile());
  BriefLog log(&lock_);
  log.Open("brief.txt", dir_.path().c_str());
  log.Append("goes on\n");
  log.Append("and on\n");
  EXPECT_EQ(ReadFile(Path()), TextOnDisk("goes on\nand on\n"));
  EXPECT_TRUE(log.IsOpen());
}

// On Windows a reader that holds the file open stops the rename and the
// delete of a rotation: the log reopens the same file, goes on appending, and
// tries again with every line until the reader lets go. Elsewhere the
// rotation goes ahead under the reader.
TEST_F(BriefLogTest, RotationUnderAnotherOpenHandle) {
  WriteFile(Path(), FullFile());
  BriefLog log(&lock_);
  log.Open("brief.txt", dir_.path().c_str());
  {
    std::ifstream reader(Path());
    ASSERT_TRUE(reader.is_open());
    log.Append("while held\n");
    log.Append("still held\n");
  }
  if (vo_tools_test::OpenFileBlocksRename()) {
    EXPECT_FALSE(FileExists(Backup()));
    EXPECT_EQ(ReadFile(Path()),
              FullFile() + TextOnDisk(kSeparatorLine + "while held\nstill held\n"));
    log.Append("let go\n");
    EXPECT_EQ(ReadFile(Backup()),
              FullFile() + TextOnDisk(kSeparatorLine + "while held\nstill held\n"));
    EXPECT_EQ(ReadFile(Path()), TextOnDisk("let go\n"));
  } else {
    EXPECT_EQ(ReadFile(Backup()), FullFile() + TextOnDisk(kSeparatorLine));
    EXPECT_EQ(ReadFile(Path()), TextOnDisk("while held\nstill held\n"));
  }
  EXPECT_TRUE(log.IsOpen());
}

// A reopening that fails because the directory is gone drops the lines (the
// old file was removed with it); the next look at the path, after 64 KiB of
// output (or in a new second), tries again and finds the directory back.
TEST_F(BriefLogTest, FailedReopenIsTriedAgainAtTheNextLook) {
  const std::string sub = dir_ / "sub";
  std::filesystem::create_directory(sub);
  WriteFile(sub + "/brief.txt", FullFile());
  BriefLog log(&lock_);
  log.Open("brief.txt", sub.c_str());
  ASSERT_TRUE(log.IsOpen());
  std::error_code error;
  std::filesystem::remove(sub + "/brief.txt", error);
  if (!std::filesystem::remove(sub, error)) {
    GTEST_SKIP() << "the directory of an open file cannot be removed here (Windows), "
                    "which is how this test makes the reopening fail";
  }
  log.Append("lost\n");
  EXPECT_TRUE(log.IsOpen());
  std::filesystem::create_directory(sub);
  const std::string filler = std::string(1023, 'x') + "\n";
  for (std::uint64_t i = 0; i < kLookEveryBytes / filler.size(); ++i) {
    log.Append(filler.c_str());
  }
  log.Append("found\n");
  const std::string reopened = ReadFile(sub + "/brief.txt");
  ASSERT_GE(reopened.size(), 6u);
  EXPECT_EQ(reopened.substr(reopened.size() - 6), "found\n");
  EXPECT_EQ(reopened.find("lost"), std::string::npos);
}

TEST_F(BriefLogTest, SeparatorOfAFullFileOpensTheNextFile) {
  WriteFile(Path(), std::string(kBriefRotationBytes, 'e'));
  BriefLog log(&lock_);
  log.Open("brief.txt", dir_.path().c_str());
  log.Append("line\n");
  EXPECT_EQ(ReadFile(Backup()).size(), kBriefRotationBytes);
  EXPECT_EQ(ReadFile(Path()), TextOnDisk(kSeparatorLine + "line\n"));
}

TEST_F(BriefLogTest, FileThatCannotBeOpenedTakesNoLines) {
  WriteFile(dir_ / "plain", "x");
  BriefLog log(&lock_);
  log.Open("brief.txt", (dir_ / "plain").c_str());
  EXPECT_FALSE(log.IsOpen());
  log.Append("nowhere\n");
  EXPECT_EQ(ReadFile(dir_ / "plain"), "x");
}

TEST_F(BriefLogTest, BackupPathBeyondTheLimitFallsBackToTheTemporaryDirectory) {
  // The file name fits; the ".BAK" it gets for the backup would not.
  std::string directory = dir_.path();
  while (directory.size() + 4 < vo_tools::platform::kMaxPath) directory += "d/";
  const std::string name(vo_tools::platform::kMaxPath - directory.size(), 'n');
  BriefLog log(&lock_);
  {
    vo_tools_test::ScopedTemporaryDirectory temporary(dir_.path());
    log.Open(name.c_str(), directory.c_str());
  }
  EXPECT_EQ(log.path(), dir_.path() + "SysmetLogBrief.txt");
  EXPECT_EQ(log.backup_path(), dir_.path() + "SysmetLogBrief.BAK");
  EXPECT_EQ(ReadFile(dir_.path() + "SysmetLogBrief.txt"), TextOnDisk(kSeparatorLine));
}

}  // namespace

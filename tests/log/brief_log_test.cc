// The brief log's own policy over the log-file engine: a separator per
// set-up, text mode, one ".BAK" backup at 2 MiB, a full file removed when it
// cannot become the backup, and the fallback of a path beyond the limit.
#include "brief_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "log_lines.h"
#include "platform/env.h"
#include "scratch_dir.h"
#include "test_env.h"

namespace {

using vo_tools::log::BriefLog;
using vo_tools_test::kBriefRotationBytes;
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
}

// Counted on disk, CR LF and all; the one backup replaces the earlier one.
TEST_F(BriefLogTest, RotatesAtTwoMebibytesIntoItsOneBackup) {
  WriteFile(Backup(), "an earlier backup\n");
  // The separator brings the position to one byte short of the threshold.
  const std::string earlier =
      std::string(kBriefRotationBytes - 2 - TextOnDisk(kSeparatorLine).size(), 'e') + "\n";
  WriteFile(Path(), earlier);
  BriefLog log(&lock_);
  log.Open("brief.txt", dir_.path().c_str());
  log.Append("last of the old file\n");
  EXPECT_EQ(ReadFile(Backup()), "an earlier backup\n");
  log.Append("first of the new file\n");
  EXPECT_EQ(ReadFile(Backup()), earlier + TextOnDisk(kSeparatorLine + "last of the old file\n"));
  EXPECT_EQ(ReadFile(Path()), TextOnDisk("first of the new file\n"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2);
}

TEST_F(BriefLogTest, BackupThatCannotBeReplacedKeepsTheFullFile) {
  // A non-empty directory in the backup's place can be neither removed nor
  // renamed over: the rotation is put off, and the full file keeps its lines.
  std::filesystem::create_directory(Backup());
  WriteFile(Backup() + "/keep", "x");
  WriteFile(Path(), FullFile());
  BriefLog log(&lock_);
  log.Open("brief.txt", dir_.path().c_str());
  log.Append("goes on\n");
  log.Append("and on\n");
  EXPECT_EQ(ReadFile(Path()), FullFile() + TextOnDisk(kSeparatorLine + "goes on\nand on\n"));
}

TEST_F(BriefLogTest, SeparatorOfAFullFileOpensTheNextFile) {
  WriteFile(Path(), std::string(kBriefRotationBytes, 'e'));
  BriefLog log(&lock_);
  log.Open("brief.txt", dir_.path().c_str());
  log.Append("line\n");
  EXPECT_EQ(ReadFile(Backup()).size(), kBriefRotationBytes);
  EXPECT_EQ(ReadFile(Path()), TextOnDisk(kSeparatorLine + "line\n"));
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
  log.Append("line\n");
  EXPECT_EQ(ReadFile(dir_.path() + "SysmetLogBrief.txt"), TextOnDisk(kSeparatorLine + "line\n"));
}

}  // namespace

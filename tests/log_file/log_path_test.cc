// Where the logs go: the directory and file names set-up composes, and the
// brief log's backup name.
#include "log_file/log_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/append_file.h"
#include "platform/env.h"
#include "scratch_dir.h"

namespace {

using vo_tools::log_file::BackupPath;
using vo_tools::log_file::LogDirectory;
using vo_tools::log_file::LogFilePath;
using vo_tools::log_file::MainLogBackups;
using vo_tools_test::ScratchDir;

TEST(LogPath, AppendsThePlatformSeparatorOnlyWhenMissing) {
  ScratchDir dir;
  std::string bare = dir.path();
  bare.pop_back();
  EXPECT_EQ(LogDirectory(bare.c_str()), dir.path());
  EXPECT_EQ(LogDirectory(dir.path().c_str()), dir.path());
  const std::string backslashed = dir.path() + "logs\\";
  EXPECT_EQ(LogDirectory(backslashed.c_str()), backslashed);
}

TEST(LogPath, WindowsTakesEitherSeparatorAndGivesItsOwn) {
  if (vo_tools::platform::kPathSeparator != '\\') {
    GTEST_SKIP() << "a backslash is an ordinary character in POSIX file names";
  }
  ScratchDir dir;
  std::string forward = dir.path();
  for (char& c : forward) {
    if (c == '\\') c = '/';
  }
  EXPECT_EQ(LogDirectory(forward.c_str()), dir.path());
  forward.pop_back();
  EXPECT_EQ(LogDirectory(forward.c_str()), dir.path());
  EXPECT_EQ(LogFilePath((forward + "/logs/").c_str(), "b.txt", "Default.txt", MainLogBackups),
            dir / "logs/b.txt");
}

TEST(LogPath, RelativeDirectoryIsResolvedAgainstTheCurrentDirectory) {
  const char separator = vo_tools::platform::kPathSeparator;
  std::string cwd = std::filesystem::current_path().string();
  if (cwd.back() != separator) cwd += separator;
  EXPECT_EQ(LogDirectory("logs"), cwd + "logs" + separator);
  EXPECT_EQ(LogDirectory("./a/../logs/"), cwd + "logs" + separator);
}

TEST(LogPath, MissingDirectoryMeansTheTemporaryDirectory) {
  EXPECT_EQ(LogDirectory(nullptr), vo_tools::platform::TempDirectory());
  EXPECT_EQ(LogDirectory(""), vo_tools::platform::TempDirectory());
  EXPECT_EQ(LogFilePath(nullptr, nullptr, "Default.txt", MainLogBackups),
            vo_tools::platform::TempDirectory() + "Default.txt");
  ScratchDir dir;
  EXPECT_EQ(LogFilePath(dir.path().c_str(), "", "Default.txt", MainLogBackups),
            dir.path() + "Default.txt");
}

// What set-up does with a path beyond the limit is PrintOut's test; here, the
// edges: a path just within the limit is kept, and a directory too long to
// resolve at all means the temporary one.
TEST(LogPath, PathWithinTheLimitIsKeptAndAnUnresolvableDirectoryMeansTheTemporaryOne) {
  ScratchDir dir;
  std::string directory = dir.path();
  while (directory.size() + 6 + vo_tools::platform::kRemoveFileExtraLength <
         vo_tools::platform::kMaxPath) {
    directory += std::string("d") + vo_tools::platform::kPathSeparator;
  }
  EXPECT_EQ(LogFilePath(directory.c_str(), "a", "Default.txt", MainLogBackups), directory + "a");
  const std::string huge(vo_tools::platform::kMaxPath + 10, 'd');
  EXPECT_EQ(LogDirectory(huge.c_str()), vo_tools::platform::TempDirectory());
}

TEST(LogPath, BackupCutsOnlyTheFileNamesLastExtension) {
  EXPECT_EQ(BackupPath("/tmp/SysmetLogBrief.txt"), "/tmp/SysmetLogBrief.BAK");
  EXPECT_EQ(BackupPath("/tmp/brief.log.txt"), "/tmp/brief.log.BAK");
  EXPECT_EQ(BackupPath("/tmp/brief"), "/tmp/brief.BAK");
  EXPECT_EQ(BackupPath("/var/log.d/brief"), "/var/log.d/brief.BAK");
  EXPECT_EQ(BackupPath("/var/log.d/.brief"), "/var/log.d/.brief.BAK");
  EXPECT_EQ(BackupPath("brief"), "brief.BAK");
}

}  // namespace

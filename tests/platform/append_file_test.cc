// The platform's append-only file: what its reopen keeps, and how it tells
// a renamed file from a removed one.
#include "platform/append_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "test_env.h"

namespace {

using vo_tools::platform::AppendFile;
using vo_tools_test::ReadFile;
using vo_tools_test::ScratchDir;

// The close-on-exec flags of this process's descriptors open on `path`.
std::vector<bool> CloseOnExecOfDescriptorsOn(const std::string& path) {
  std::vector<bool> flags;
  vo_tools_test::CloseOnExecFlagsOf(path, &flags);
  return flags;
}

// A log file's descriptor must not leak into programs the process runs,
// neither before nor after the file was reopened behind it.
TEST(AppendFile, StaysClosedOnExecAcrossAReopen) {
  std::vector<bool> unused;
  if (!vo_tools_test::CloseOnExecFlagsOf("", &unused)) {
    GTEST_SKIP() << "this platform cannot list open files; its handles are never inheritable";
  }
  ScratchDir dir;
  const std::string path = dir / "log.txt";
  const std::string rotated = dir / "log.txt.1";
  std::unique_ptr<AppendFile> file = AppendFile::Open(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(CloseOnExecOfDescriptorsOn(path), std::vector<bool>{true});

  ASSERT_TRUE(file->Append("old\n", 4));
  std::filesystem::rename(path, rotated);
  EXPECT_FALSE(file->IsNamedBy(path));
  ASSERT_TRUE(file->Reopen(path));
  EXPECT_TRUE(file->IsNamedBy(path));
  ASSERT_TRUE(file->Append("new\n", 4));

  EXPECT_EQ(CloseOnExecOfDescriptorsOn(path), std::vector<bool>{true});
  EXPECT_EQ(ReadFile(rotated), "old\n");
  EXPECT_EQ(ReadFile(path), "new\n");
}

// The logs keep writing to a file whose directory was moved away (the lines
// are kept if it comes back), but not to one that was removed.
TEST(AppendFile, TellsARemovedFileFromARenamedOne) {
  ScratchDir dir;
  const std::string path = dir / "log.txt";
  std::unique_ptr<AppendFile> file = AppendFile::Open(path);
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(file->IsRemoved());
  std::filesystem::rename(path, dir / "moved.txt");
  EXPECT_FALSE(file->IsRemoved());
  std::error_code error;
  ASSERT_TRUE(std::filesystem::remove(dir / "moved.txt", error)) << error.message();
  if (vo_tools_test::RunningUnderWine()) {
    GTEST_SKIP() << "Wine does not report the pending delete of a file still open";
  }
  EXPECT_TRUE(file->IsRemoved());
}

}  // namespace

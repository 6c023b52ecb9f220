// The file-backed log service: verbatim appends, and its policy over the
// log-file engine: the size limit in KiB and the numbered backups.
#include <gtest/gtest.h>

#include <string>

#include "quill/quill_log.h"
#include "scratch_dir.h"

namespace {

using vo_tools_test::FileExists;
using vo_tools_test::ReadFile;
using vo_tools_test::ScratchDir;

TEST(QuillLog, AppendsPiecesVerbatim) {
  ScratchDir dir;
  const std::string path = dir / "main.txt";
  vo_tools_test::WriteFile(path, "kept\n");
  auto log = IQuillLog1::CreateInstance(path.c_str(), 5120, 5, nullptr, "", IQuillLog1::kShared);
  EXPECT_TRUE(log->Configure(3, 0, 120));
  EXPECT_TRUE(log->Write("ctx", 1, 2, "100%s %d %n done\n"));
  EXPECT_TRUE(log->Write("ctx", 1, 0, "no line end"));
  EXPECT_TRUE(log->Write("ctx", 1, 0, ""));
  EXPECT_FALSE(log->Write("ctx", 1, 0, nullptr));
  EXPECT_EQ(ReadFile(path), "kept\n100%s %d %n done\nno line end");
}

TEST(QuillLog, RotatesAtItsLimitInKibIntoNumberedBackups) {
  ScratchDir dir;
  const std::string path = dir / "main.txt";
  auto log = IQuillLog1::CreateInstance(path.c_str(), 1, 2, nullptr, "", IQuillLog1::kShared);
  const std::string line(127, 'x');
  for (int n = 0; n < 24 + 1; ++n) ASSERT_TRUE(log->Write("", 0, 1, (line + "\n").c_str()));
  EXPECT_EQ(ReadFile(path + ".2").size(), 1024u);
  EXPECT_EQ(ReadFile(path + ".1").size(), 1024u);
  EXPECT_EQ(ReadFile(path).size(), 128u);
  EXPECT_FALSE(FileExists(path + ".3"));
}

}  // namespace

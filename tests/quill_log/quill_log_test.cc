// The file-backed log service: its records, and its policy over the
// log-file engine: the size limit in KiB and the numbered backups.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <climits>

#include <climits>
#include <string>

#include "quill/quill_log.h"
#include "scratch_dir.h"

namespace {

using vo_tools_test::FileExists;
using vo_tools_test::ReadFile;
using vo_tools_test::ScratchDir;

// Each line goes in one record: the service's stamp, the level, the context
// and number, then the line as written, "%" and all; one record per set-up.
// Whatever the caller passes, a record stays one line.
TEST(QuillLog, KeepsOneRecordPerLineAndOnePerSetUp) {
  ScratchDir dir;
  const std::string path = dir / "main.txt";
  vo_tools_test::WriteFile(path, "kept\n");
  auto log =
      IQuillLog1::CreateInstance(path.c_str(), 5120, 5, nullptr, "made\nhere", IQuillLog1::kShared);
  EXPECT_TRUE(log->Configure(3, 0, 120));
  EXPECT_TRUE(log->Write("ctx", 1, 2, "100%s %d %n done\n"));
  EXPECT_TRUE(log->Write(nullptr, INT_MIN, 0, "no line end, "));
  EXPECT_TRUE(log->Write("ignored", 9, 0, "continued\n"));
  EXPECT_TRUE(log->Write(std::string(70, 'c').c_str(), 0, 7, "\n"));
  EXPECT_TRUE(log->Write("ctx", 1, 0, ""));
  EXPECT_FALSE(log->Write("ctx", 1, 0, nullptr));
  const auto lines = vo_tools_test::ReadLines(path);
  const std::vector<std::string> records = {"SETUP | level WARNING, creation text \"made?here\"\n",
                                            "OTHER ctx#1 | 100%s %d %n done\n",
                                            "ERROR -#-2147483648 | no line end, continued\n",
                                            "LEVEL7 " + std::string(64, 'c') + "#0 | \n"};
  ASSERT_EQ(lines.size(), records.size() + 1);
  EXPECT_EQ(lines[0], "kept\n");
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_THAT(lines[i + 1].substr(0, 24), testing::MatchesRegex("....-..-.. ..:..:..\\.... "));
    EXPECT_EQ(lines[i + 1].substr(24), records[i]);
  }
}

TEST(QuillLog, RotatesAtItsLimitInKibIntoNumberedBackups) {
  ScratchDir dir;
  const std::string path = dir / "main.txt";
  auto log = IQuillLog1::CreateInstance(path.c_str(), 1, 2, nullptr, "", IQuillLog1::kShared);
  const std::string line(93, 'x');  // with its record head, 128 bytes
  for (int n = 0; n < 24 + 1; ++n) ASSERT_TRUE(log->Write("", 0, 1, (line + "\n").c_str()));
  EXPECT_EQ(ReadFile(path + ".2").size(), 1024u);
  EXPECT_EQ(ReadFile(path + ".1").size(), 1024u);
  EXPECT_EQ(ReadFile(path).size(), 128u);
  EXPECT_FALSE(FileExists(path + ".3"));
}

}  // namespace

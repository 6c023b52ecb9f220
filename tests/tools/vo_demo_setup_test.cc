// vo-demo's command line and its choice of log directory, taken apart from
// the demo itself.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "log_directory.h"
#include "options.h"
#include "scratch_dir.h"

namespace {

// Compares the paths themselves: MinGW's filesystem::equivalent cannot tell
// two names of one directory apart from two directories.
bool SameDirectory(const std::filesystem::path& a, const std::filesystem::path& b) {
  return (a / "").lexically_normal() == (b / "").lexically_normal();
}

namespace fs = std::filesystem;
using vo_demo::DemoUsage;
using vo_demo::LogDirectory;
using vo_demo::MakeFreshLogDirectory;
using vo_demo::OpenLogDirectory;
using vo_demo::ParseDemoOptions;
using vo_demo::ParsedOptions;

ParsedOptions Parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "vo-demo");
  return ParseDemoOptions(static_cast<int>(arguments.size()), arguments.data());
}

TEST(VoDemoOptions, NoArgumentsMeanTheDefaults) {
  const ParsedOptions parsed = Parse({});
  EXPECT_EQ(parsed.error, "");
  EXPECT_FALSE(parsed.options.help);
  EXPECT_EQ(parsed.options.log_dir, "");
  EXPECT_EQ(parsed.options.suffix, "_demo");
}

TEST(VoDemoOptions, HelpHasALongAndAShortForm) {
  EXPECT_TRUE(Parse({"--help"}).options.help);
  EXPECT_TRUE(Parse({"-h"}).options.help);
  EXPECT_EQ(Parse({"--log-dir", "x", "--help"}).error, "");
}

TEST(VoDemoOptions, ValuesComeSeparateOrAfterAnEqualsSign) {
  ParsedOptions parsed = Parse({"--log-dir", "logs/a", "--suffix", "42"});
  EXPECT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.log_dir, "logs/a");
  EXPECT_EQ(parsed.options.suffix, "42");

  parsed = Parse({"--log-dir=logs/b=c", "--suffix=_x"});
  EXPECT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.log_dir, "logs/b=c");
  EXPECT_EQ(parsed.options.suffix, "_x");
}

TEST(VoDemoOptions, AValueMayLookLikeAnOption) {
  const ParsedOptions parsed = Parse({"--suffix", "--help"});
  EXPECT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.suffix, "--help");
  EXPECT_FALSE(parsed.options.help);
}

TEST(VoDemoOptions, ALaterOptionOverridesAnEarlierOne) {
  const ParsedOptions parsed = Parse({"--log-dir", "first", "--log-dir=second"});
  EXPECT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.log_dir, "second");
}

TEST(VoDemoOptions, TheSuffixMayBeEmptyButTheLogDirectoryNot) {
  EXPECT_EQ(Parse({"--suffix="}).options.suffix, "");
  EXPECT_EQ(Parse({"--suffix", ""}).error, "");
  EXPECT_NE(Parse({"--log-dir="}).error, "");
  EXPECT_NE(Parse({"--log-dir", ""}).error, "");
}

TEST(VoDemoOptions, AMissingValueIsAnError) {
  const ParsedOptions parsed = Parse({"--log-dir"});
  EXPECT_NE(parsed.error.find("--log-dir"), std::string::npos) << parsed.error;
  EXPECT_NE(Parse({"--suffix"}).error.find("--suffix"), std::string::npos);
}

TEST(VoDemoOptions, AnUnknownOptionIsNamed) {
  EXPECT_EQ(Parse({"--verbose"}).error, "unknown option '--verbose'");
  EXPECT_EQ(Parse({"-x"}).error, "unknown option '-x'");
  // A longer name that starts like a known one is not that one.
  EXPECT_EQ(Parse({"--log-directory", "d"}).error, "unknown option '--log-directory'");
}

TEST(VoDemoOptions, APlainArgumentIsNamed) {
  EXPECT_EQ(Parse({"logs"}).error, "unexpected argument 'logs'");
  EXPECT_EQ(Parse({"-"}).error, "unexpected argument '-'");
}

TEST(VoDemoOptions, AnErrorIsNotHiddenByHelp) {
  EXPECT_NE(Parse({"--help", "--bogus"}).error, "");
  EXPECT_NE(Parse({"--bogus", "--help"}).error, "");
}

TEST(VoDemoOptions, TheUsageNamesEveryOptionAndTheExitStatuses) {
  const std::string usage = DemoUsage();
  for (const char* word :
       {"usage: vo-demo", "--log-dir DIR", "--suffix TEXT", "--help", "0", "1", "2"}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  }
  EXPECT_EQ(usage.back(), '\n');
}

TEST(VoDemoLogDirectory, AMissingDirectoryIsCreatedWithItsParents) {
  vo_tools_test::ScratchDir scratch;
  const fs::path wanted = fs::path(scratch / "a") / "b" / "c";
  const LogDirectory made = OpenLogDirectory(wanted);
  EXPECT_EQ(made.error, "");
  EXPECT_EQ(made.path, wanted);
  EXPECT_TRUE(fs::is_directory(wanted));
}

TEST(VoDemoLogDirectory, AnExistingDirectoryIsTakenAsItIsAndMadeAbsolute) {
  vo_tools_test::ScratchDir scratch;
  vo_tools_test::WriteFile(scratch / "kept.txt", "earlier run");
  const fs::path before = fs::current_path();
  fs::current_path(scratch.path());
  const LogDirectory made = OpenLogDirectory(".");
  fs::current_path(before);
  EXPECT_EQ(made.error, "");
  EXPECT_TRUE(made.path.is_absolute()) << made.path;
  EXPECT_TRUE(SameDirectory(made.path, scratch.path()));
  EXPECT_EQ(vo_tools_test::ReadFile(scratch / "kept.txt"), "earlier run");
}

TEST(VoDemoLogDirectory, AFileInTheWayIsRefused) {
  vo_tools_test::ScratchDir scratch;
  vo_tools_test::WriteFile(scratch / "file", "x");
  LogDirectory made = OpenLogDirectory(scratch / "file");
  EXPECT_TRUE(made.path.empty());
  EXPECT_NE(made.error.find("file"), std::string::npos) << made.error;

  made = OpenLogDirectory(fs::path(scratch / "file") / "below");
  EXPECT_TRUE(made.path.empty());
  EXPECT_NE(made.error, "");
}

TEST(VoDemoLogDirectory, EachFreshDirectoryIsNewAndNamedAfterThePrefix) {
  vo_tools_test::ScratchDir scratch;
  std::vector<fs::path> made;
  for (int i = 0; i < 20; ++i) {
    const LogDirectory fresh = MakeFreshLogDirectory(scratch.path(), "vo-demo-");
    ASSERT_EQ(fresh.error, "");
    ASSERT_TRUE(fs::is_directory(fresh.path));
    EXPECT_TRUE(SameDirectory(fresh.path.parent_path(), scratch.path()));
    const std::string name = fresh.path.filename().string();
    ASSERT_EQ(name.size(), 16u) << name;
    EXPECT_EQ(name.rfind("vo-demo-", 0), 0u) << name;
    for (std::size_t k = 8; k < name.size(); ++k) {
      EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(name[k]))) << name;
    }
    made.push_back(fresh.path);
  }
  std::size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(scratch.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, made.size());  // twenty calls, twenty distinct directories
}

TEST(VoDemoLogDirectory, AFreshDirectoryNeedsItsParent) {
  vo_tools_test::ScratchDir scratch;
  const LogDirectory fresh = MakeFreshLogDirectory(scratch / "missing", "vo-demo-");
  EXPECT_TRUE(fresh.path.empty());
  EXPECT_NE(fresh.error.find("missing"), std::string::npos) << fresh.error;
}

}  // namespace

// The logging functions as seen through a stand-in log service. Logging is
// set up once per process, so every test runs in a child of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "child_process.h"
#include "fake_quill_log.h"
#include "platform/env.h"
#include "scratch_dir.h"
#include "test_env.h"
#include "vo_tools/log.h"

namespace {

using vo_tools_test::FakeQuillLog;
using vo_tools_test::ReadFile;
using vo_tools_test::ReadLines;
using vo_tools_test::RunInChild;
using vo_tools_test::ScratchDir;

const char kSeparator[] = "---------------------------------------\n";

std::vector<vo_tools_test::WriteCall> Writes() {
  std::lock_guard<std::mutex> lock(FakeQuillLog().mutex);
  return FakeQuillLog().writes;
}

// Sets logging up in `dir` with the given names and returns the prefix
// length of a line made now, learned from an empty message.
std::size_t SetUpIn(const ScratchDir& dir) {
  Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "created", VO_LOG_INFO);
  Vo_PrintOut1(VO_LOG_INFO, false, "probe", 0, "");
  return Writes().back().piece.size() - 1;
}

// "Month dd hh:mm:ss" with the full month name and two-digit fields.
bool IsTimestamp(const std::string& text) {
  static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
  const std::size_t space = text.find(' ');
  if (space == std::string::npos || std::find(std::begin(kMonths), std::end(kMonths),
                                              text.substr(0, space)) == std::end(kMonths)) {
    return false;
  }
  const std::string rest = text.substr(space);
  const std::string shape = " 00 00:00:00";
  if (rest.size() != shape.size()) return false;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    if ((shape[i] == '0') != (std::isdigit(static_cast<unsigned char>(rest[i])) != 0)) return false;
    if (shape[i] != '0' && rest[i] != shape[i]) return false;
  }
  return true;
}

std::string Hex(unsigned long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%lx", value);
  return text;
}

// Switches the process to a German locale, made with localedef in `dir`
// where the system has none installed; false when neither works.
bool UseGermanLocale(const ScratchDir& dir) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) return true;
  if (vo_tools_test::RunCommand("localedef -i de_DE -f UTF-8 " + (dir / "de_DE.UTF-8")) != 0) {
    return false;
  }
  vo_tools_test::SetEnvironment("LOCPATH", dir.path().c_str());
  return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

// Under a German locale too: the month's name is the C locale's.
TEST(PrintOut, LineCarriesIdsTimestampAndMessage) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    if (!UseGermanLocale(dir)) GTEST_SKIP() << "no German locale, and localedef cannot make one";
    Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "", VO_LOG_INFO);
    Vo_PrintOut(VO_LOG_WARNING, false, "ctx", 7, "value %d %s 100%%", 42, "x");
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u);
    const std::string ids = "pid=" + Hex(vo_tools::platform::CurrentProcessId()) +
                            " tid=" + Hex(vo_tools::platform::CurrentThreadId()) + " > ";
    const std::string& line = writes[0].piece;
    ASSERT_EQ(line.substr(0, ids.size()), ids);
    const std::string end = " > value 42 x 100%\n";
    ASSERT_GT(line.size(), ids.size() + end.size());
    EXPECT_TRUE(IsTimestamp(line.substr(ids.size(), line.size() - ids.size() - end.size())))
        << line;
    EXPECT_EQ(line.substr(line.size() - end.size()), end);
    EXPECT_EQ(writes[0].context, "ctx");
    EXPECT_EQ(writes[0].number, 7);
    EXPECT_EQ(writes[0].service_level, 3);
  });
}

TEST(PrintOut, LevelsMapToServiceLevels) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    SetUpIn(dir);
    const int levels[] = {0, 1, 2, 3, 4, 5, -1, 1000};
    const int expected[] = {2, 1, 2, 3, 0, 2, 2, 2};
    for (int level : levels) Vo_PrintOut1(static_cast<VO_LOG_LEVEL>(level), false, "", 0, "m");
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u + std::size(levels));
    for (std::size_t i = 0; i < std::size(levels); ++i) {
      EXPECT_EQ(writes[i + 1].service_level, expected[i]) << "level " << levels[i];
    }
  });
}

// Also in a temporary directory named outside the ANSI code page (on
// Windows: the library's own paths go through the wide-character calls).
TEST(PrintOut, FirstLineSetsUpWithDefaultsInTheTemporaryDirectory) {
  for (const char* folder : {"", u8"\u0416\u0443\u0440\u043d\u0430\u043b\u044b"}) {
    EXPECT_IN_CHILD([folder] {
      ScratchDir scratch;
      std::string tmp = scratch.path() + folder;
      if (!tmp.empty() && !vo_tools::platform::IsPathSeparator(tmp.back())) {
        tmp += vo_tools::platform::kPathSeparator;
      }
      std::filesystem::create_directories(std::filesystem::u8path(tmp));
      vo_tools_test::ScopedTemporaryDirectory temporary(tmp);
      Vo_PrintOut(VO_LOG_ERROR, true, "c", 1, "first");
      std::lock_guard<std::mutex> lock(FakeQuillLog().mutex);
      ASSERT_EQ(FakeQuillLog().creates.size(), 1u);
      const vo_tools_test::CreateCall& create = FakeQuillLog().creates[0];
      EXPECT_EQ(create.path, tmp + "SysmetLog.txt");
      EXPECT_EQ(create.max_size_kib, 5120u);
      EXPECT_EQ(create.backups, 5u);
      EXPECT_EQ(create.formatter, nullptr);
      EXPECT_FALSE(create.creation_text_null);
      EXPECT_EQ(create.creation_text, "");
      EXPECT_EQ(create.sharing_mode, 1);
      ASSERT_EQ(FakeQuillLog().configures.size(), 1u);
      EXPECT_EQ(FakeQuillLog().configures[0].service_level, 1);
      EXPECT_EQ(FakeQuillLog().configures[0].reserved, 0);
      EXPECT_EQ(FakeQuillLog().configures[0].flush_seconds, 120);
      const auto brief = ReadLines(tmp + "SysmetLogBrief.txt");
      ASSERT_EQ(brief.size(), 2u);
      EXPECT_EQ(brief[0], kSeparator);
      EXPECT_THAT(brief[1], testing::EndsWith(" > first\n"));
    });
  }
}

TEST(PrintOut, ExplicitSetUpUsesItsArgumentsAndLaterSetUpsChangeNothing) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir, other;
    Vo_PrintOut_Init("main.txt", "brief.txt", dir.path().c_str(), "created", VO_LOG_ERROR);
    Vo_PrintOut_Init("x.txt", "y.txt", other.path().c_str(), "again", VO_LOG_INFO);
    Vo_PrintOut1(VO_LOG_INFO, true, "", 0, "kept");
    Vo_PrintOut_Init("x.txt", "y.txt", other.path().c_str(), "again", VO_LOG_INFO);
    Vo_PrintOut1(VO_LOG_INFO, true, "", 0, "still");
    {
      std::lock_guard<std::mutex> lock(FakeQuillLog().mutex);
      ASSERT_EQ(FakeQuillLog().creates.size(), 1u);
      EXPECT_EQ(FakeQuillLog().creates[0].path, dir / "main.txt");
      EXPECT_EQ(FakeQuillLog().creates[0].creation_text, "created");
      ASSERT_EQ(FakeQuillLog().configures.size(), 1u);
      EXPECT_EQ(FakeQuillLog().configures[0].service_level, 0);
    }
    EXPECT_EQ(ReadLines(dir / "brief.txt").size(), 3u);
    EXPECT_TRUE(std::filesystem::is_empty(other.path()));
  });
}

TEST(PrintOut, LineOfExactly16383CharactersIsOnePiece) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    const std::size_t prefix = SetUpIn(dir);
    Vo_PrintOut1(VO_LOG_INFO, false, "", 0, std::string(16383 - prefix - 1, 'a').c_str());
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].piece.size(), 16383u);
    EXPECT_EQ(writes[1].piece.back(), '\n');
  });
}

TEST(PrintOut, LineOf16384CharactersEndsWithALoneLineFeed) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    const std::size_t prefix = SetUpIn(dir);
    Vo_PrintOut1(VO_LOG_INFO, false, "c", 3, std::string(16384 - prefix - 1, 'a').c_str());
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[1].piece.size(), 16383u);
    EXPECT_EQ(writes[1].piece.substr(0, 4), "pid=");
    EXPECT_EQ(writes[1].piece.back(), 'a');
    EXPECT_EQ(writes[2].piece, "\n");
    EXPECT_EQ(writes[2].context, "c");
    EXPECT_EQ(writes[2].number, 3);
  });
}

TEST(PrintOut, LongLineGoesInConsecutivePieces) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    SetUpIn(dir);
    std::string message;
    for (int i = 0; message.size() < 40000; ++i) message += std::to_string(i) + ",";
    Vo_PrintOut1(VO_LOG_INFO, true, "", 0, message.c_str());
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[1].piece.size(), 16383u);
    EXPECT_EQ(writes[2].piece.size(), 16383u);
    const std::string joined = writes[1].piece + writes[2].piece + writes[3].piece;
    EXPECT_THAT(joined, testing::EndsWith(" > " + message + "\n"));
    // The brief log takes the line whole.
    const auto brief = ReadLines(dir / "brief.txt");
    ASSERT_EQ(brief.size(), 2u);
    EXPECT_EQ(brief[1], joined);
  });
}

// Lines are made on the stack up to 1 KiB and in storage of their size
// beyond; a message longer than a 64 KiB line holds is cut, in both logs,
// with a marker that gives its length.
TEST(PrintOut, MessagesComeOutWholeUpToTheLineCapAndCutWithAMarkerBeyond) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    const std::size_t prefix = SetUpIn(dir);
    const std::size_t whole = 65536 - prefix - 1;  // the longest message kept whole
    for (std::size_t length :
         {1022 - prefix, 1023 - prefix, whole, whole + 1, std::size_t{1} << 23}) {
      const std::string text(length - 2, 'x');
      for (bool formatted : {true, false}) {
        const std::size_t first = Writes().size();
        if (formatted) Vo_PrintOut(VO_LOG_INFO, true, "", 0, "%s%d", text.c_str(), 42);
        if (!formatted) Vo_PrintOut1(VO_LOG_INFO, true, "", 0, (text + "42").c_str());
        std::string line;
        for (std::size_t i = first; i < Writes().size(); ++i) line += Writes()[i].piece;
        SCOPED_TRACE(testing::Message() << length << (formatted ? " formatted" : " as it is"));
        const std::string marker = " [cut: the message had " + std::to_string(length) + " bytes]\n";
        EXPECT_THAT(line, testing::EndsWith(length <= whole ? "x42\n" : "x" + marker));
        EXPECT_EQ(line.size(), std::min(prefix + length + 1, std::size_t{65536}));
        EXPECT_EQ(ReadLines(dir / "brief.txt").back(), line);
      }
    }
  });
}

TEST(PrintOut, FalseWriteStopsTheLineButNotTheNextNorTheBriefLog) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    const std::size_t prefix = SetUpIn(dir);
    FakeQuillLog().write_results = {false};
    const std::string long_message(40000 - prefix, 'x');
    Vo_PrintOut1(VO_LOG_INFO, true, "", 0, long_message.c_str());
    Vo_PrintOut1(VO_LOG_INFO, false, "", 0, "next");
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[1].piece.size(), 16383u);
    EXPECT_EQ(writes[2].piece.substr(0, 4), "pid=");
    EXPECT_THAT(writes[2].piece, testing::EndsWith(" > next\n"));
    const auto brief = ReadLines(dir / "brief.txt");
    ASSERT_EQ(brief.size(), 2u);
    EXPECT_THAT(brief[1], testing::EndsWith(long_message + "\n"));
  });
}

TEST(PrintOut, NullFormatAndNullMessageLogEmptyMessages) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    SetUpIn(dir);
    const char* null_text = nullptr;
    // Through a pointer, which carries no format check to refuse the null.
    auto* const print_out = &Vo_PrintOut;
    print_out(VO_LOG_INFO, true, nullptr, 0, null_text);
    Vo_PrintOut1(VO_LOG_INFO, true, nullptr, 0, nullptr);
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_THAT(writes[1].piece, testing::EndsWith(" > \n"));
    EXPECT_THAT(writes[2].piece, testing::EndsWith(" > \n"));
    EXPECT_EQ(ReadLines(dir / "brief.txt").size(), 3u);
  });
}

TEST(PrintOut, OnlyFlaggedLinesReachTheBriefLog) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    SetUpIn(dir);
    for (int i = 0; i < 10; ++i) {
      Vo_PrintOut(static_cast<VO_LOG_LEVEL>(i % 5), i % 3 == 0, "", 0, "line %d", i);
    }
    const auto brief = ReadLines(dir / "brief.txt");
    ASSERT_EQ(brief.size(), 5u);
    EXPECT_EQ(brief[0], kSeparator);
    const int flagged[] = {0, 3, 6, 9};
    for (int i = 0; i < 4; ++i) {
      EXPECT_THAT(brief[i + 1], testing::EndsWith(" > line " + std::to_string(flagged[i]) + "\n"));
    }
  });
}

TEST(PrintOut, RelativeDirectoryIsMadeAbsolute) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "logs");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    Vo_PrintOut_Init("", "", "logs", nullptr, VO_LOG_INFO);
    Vo_PrintOut1(VO_LOG_INFO, true, "", 0, "here");
    std::filesystem::current_path(previous);  // Windows cannot remove a current directory
    std::lock_guard<std::mutex> lock(FakeQuillLog().mutex);
    ASSERT_EQ(FakeQuillLog().creates.size(), 1u);
    EXPECT_EQ(FakeQuillLog().creates[0].path, dir / "logs/SysmetLog.txt");
    EXPECT_TRUE(FakeQuillLog().creates[0].creation_text_null);
    EXPECT_EQ(ReadLines(dir / "logs/SysmetLogBrief.txt").size(), 2u);
  });
}

TEST(PrintOut, UnwritableDirectoryStopsNothing) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir;
    vo_tools_test::WriteFile(dir / "plain", "a file, not a directory");
    const std::string unusable = dir / "plain/logs";
    Vo_PrintOut_Init("m.txt", "b.txt", unusable.c_str(), "", VO_LOG_INFO);
    Vo_PrintOut(VO_LOG_INFO, true, "", 0, "goes to the main log only");
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_THAT(writes[0].piece, testing::EndsWith(" > goes to the main log only\n"));
    EXPECT_EQ(ReadFile(dir / "plain"), "a file, not a directory");
  });
}

// A path beyond the platform's limit, a path whose backups would be (a
// name that brings it to one character short of it), or a name longer than
// the file system takes (256 characters in a short directory), falls back to
// the default names in the temporary directory.
TEST(PrintOut, TooLongPathOrNameFallsBackToTheDefaultNameInTheTemporaryDirectory) {
  constexpr std::size_t kToTheLimit = 1;
  struct Case {
    const char* what;
    std::size_t room;       // "d/" steps fill the directory up to this many characters short
    std::size_t name_size;  // of both file names; 0: "main.txt" and "brief.txt"
  };
  const Case cases[] = {{"path beyond the limit", 2, 0},
                        {"backups beyond the limit", 100, kToTheLimit},
                        {"name of 256 characters", vo_tools::platform::kMaxPath, 256}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_IN_CHILD([&c] {
      ScratchDir tmp, logs;
      vo_tools_test::ScopedTemporaryDirectory temporary(tmp.path());
      std::string directory = logs.path();
      while (directory.size() + c.room < vo_tools::platform::kMaxPath) directory += "d/";
      const std::size_t name_size = c.name_size == kToTheLimit
                                        ? vo_tools::platform::kMaxPath - 1 - directory.size()
                                        : c.name_size;
      const std::string main_name = name_size == 0 ? "main.txt" : std::string(name_size, 'm');
      const std::string brief_name = name_size == 0 ? "brief.txt" : std::string(name_size, 'b');
      Vo_PrintOut_Init(main_name.c_str(), brief_name.c_str(), directory.c_str(), "", VO_LOG_INFO);
      Vo_PrintOut1(VO_LOG_INFO, true, "", 0, "fell back");
      std::lock_guard<std::mutex> lock(FakeQuillLog().mutex);
      EXPECT_EQ(FakeQuillLog().creates.at(0).path, tmp.path() + "SysmetLog.txt");
      EXPECT_EQ(ReadLines(tmp / "SysmetLogBrief.txt").size(), 2u);
    });
  }
}

TEST(PrintOut, FailedCreationPassesToTheCallerAndSetUpRunsAgain) {
  EXPECT_IN_CHILD([] {
    ScratchDir dir, tmp;
    vo_tools_test::ScopedTemporaryDirectory temporary(tmp.path());
    FakeQuillLog().throw_on_create = true;
    EXPECT_THROW(Vo_PrintOut_Init("m.txt", "b.txt", dir.path().c_str(), "", VO_LOG_INFO),
                 std::runtime_error);
    EXPECT_FALSE(vo_tools_test::FileExists(dir / "b.txt"));
    Vo_PrintOut1(VO_LOG_INFO, true, "", 0, "after");
    std::lock_guard<std::mutex> lock(FakeQuillLog().mutex);
    ASSERT_EQ(FakeQuillLog().creates.size(), 1u);
    EXPECT_EQ(FakeQuillLog().creates[0].path, tmp.path() + "SysmetLog.txt");
    EXPECT_EQ(FakeQuillLog().writes.size(), 1u);
  });
}

}  // namespace

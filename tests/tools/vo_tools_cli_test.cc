// The vo-tools program end to end: it is run as a user would run it, with
// files and redirections, and its output, messages and exit status checked.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "qp_reference.h"
#include "qp_test_inputs.h"
#include "test_env.h"

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

std::string Scratch(const std::string& name) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(VO_TOOLS_CLI_SCRATCH) + "/" + test->name() + "." + name;
}

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Standard output closed (a POSIX shell's ">&-"), as `device` of RunTool.
constexpr char kClosed[] = "&-";

// Runs "vo-tools ARGUMENTS", with standard input from `input` unless it is
// empty, and collects standard output (unless it goes to `device`),
// standard error and the exit status. `shell_prefix` runs in the same shell
// first.
ToolRun RunTool(const std::string& arguments, const std::string& input = "",
                const std::string& device = "", const std::string& shell_prefix = "") {
  const std::string out = device.empty() ? Scratch("out") : device;
  const std::string err = Scratch("err");
  using vo_tools_test::CommandPath;
  // A user-mode emulator runs this program but not what it starts: the tool
  // is started through it too (VO_TOOLS_CLI_EMULATOR is empty elsewhere).
  std::string command =
      shell_prefix + VO_TOOLS_CLI_EMULATOR "\"" + CommandPath(VO_TOOLS_CLI) + "\" " + arguments;
  if (!input.empty()) command += " < \"" + CommandPath(input) + "\"";
  command += device == kClosed ? " >&-" : " > \"" + CommandPath(out) + "\"";
  command += " 2> \"" + CommandPath(err) + "\"";
  const int status = vo_tools_test::RunCommand(command);
  return ToolRun{status, device.empty() ? ReadFile(out) : "", ReadFile(err)};
}

TEST(VoToolsCli, EncodesStandardInputAndDecodesAFile) {
  const std::string in = Scratch("in");
  WriteFile(in, "caf\xE9 a=b\r\n");
  ToolRun encoded = RunTool("qp-encode", in);
  EXPECT_EQ(encoded.status, 0) << encoded.err;
  EXPECT_EQ(encoded.out, "caf=E9 a=3Db\r\n");
  EXPECT_EQ(encoded.err, "");

  WriteFile(in, encoded.out);
  for (const std::string& arguments : {"qp-decode \"" + in + "\"", std::string("qp-decode -")}) {
    ToolRun decoded = RunTool(arguments, in);
    EXPECT_EQ(decoded.status, 0) << decoded.err;
    EXPECT_EQ(decoded.out, "caf\xE9 a=b\r\n") << arguments;
  }
}

TEST(VoToolsCli, DecodedZeroBytesAreWrittenWhole) {
  const std::string in = Scratch("in");
  WriteFile(in, "a=00b=zz=41");
  ToolRun decoded = RunTool("qp-decode", in);
  EXPECT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_EQ(decoded.out, std::string("a\0b\0A", 5));
}

TEST(VoToolsCli, RoundTripsEveryByteButZeroOnALargeInput) {
  std::mt19937 rng(31);
  const std::string text = qp_test::RandomText(qp_test::Kind::kMixed, 300000, rng);
  const std::string in = Scratch("in");
  const std::string middle = Scratch("middle");
  WriteFile(in, text);
  ToolRun encoded = RunTool("qp-encode \"" + in + "\"");
  ASSERT_EQ(encoded.status, 0) << encoded.err;
  EXPECT_EQ(encoded.out, qp_reference::Encode(text));
  WriteFile(middle, encoded.out);
  ToolRun decoded = RunTool("qp-decode", middle);
  ASSERT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_TRUE(decoded.out == text);
}

TEST(VoToolsCli, RefusesInputHoldingAZeroByteAndNamesItsOffset) {
  const std::string in = Scratch("in");
  WriteFile(in, std::string("abc\0def", 7));
  for (const char* command : {"qp-encode", "qp-decode"}) {
    ToolRun run = RunTool(command, in);
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_EQ(run.out, "") << command;
    EXPECT_NE(run.err.find("zero byte at offset 3"), std::string::npos) << run.err;
  }
}

TEST(VoToolsCli, UnreadableInputFailsWithItsNameAndWhy) {
  const std::string directory = Scratch("dir");
  std::filesystem::create_directories(directory);
  const struct {
    std::string path;
    int reason;
  } cases[] = {{Scratch("absent"), ENOENT}, {directory, EISDIR}};
  for (const auto& c : cases) {
    ToolRun run = RunTool("qp-encode \"" + c.path + "\"");
    EXPECT_EQ(run.status, 1) << c.path;
    const std::string why = c.path + ": " + std::strerror(c.reason);
    EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
  }
}

TEST(VoToolsCli, PrintsTheServiceNames) {
  ToolRun run = RunTool("service-names 42");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "VoProxyReceiveRequests42\nVoProxyReceiveResponses42\n");
  ToolRun empty = RunTool("service-names \"\"");
  EXPECT_EQ(empty.out, "VoProxyReceiveRequests\nVoProxyReceiveResponses\n");
}

TEST(VoToolsCli, HelpAndVersionOnRequestAndMisuseGetsAHintWithStatusTwo) {
  const struct {
    const char* arguments;
    const char* out_start;  // of standard output, for status 0
  } requests[] = {
      {"--help", "usage: vo-tools COMMAND"},
      {"--version", "vo-tools " VO_TOOLS_CLI_VERSION "\n"},
      {"qp-encode --help", "usage: vo-tools qp-encode [FILE]\n"},
      {"log-check -h", "usage: vo-tools log-check DIR [MAIN [BRIEF]]\n"},
      {"service-names -- --help", "VoProxyReceiveRequests--help\n"},
  };
  for (const auto& request : requests) {
    ToolRun run = RunTool(request.arguments);
    EXPECT_EQ(run.status, 0) << request.arguments << ": " << run.err;
    EXPECT_EQ(run.out.rfind(request.out_start, 0), 0u) << run.out;
  }
  const struct {
    const char* arguments;
    const char* message;
  } misuses[] = {
      {"", "missing COMMAND"},
      {"qp-frobnicate", "unknown command 'qp-frobnicate'"},
      {"--frobnicate", "unknown option '--frobnicate'"},
      {"service-names", "service-names: missing SUFFIX"},
      {"qp-encode a b", "qp-encode: unexpected argument 'b'"},
      {"qp-decode -x", "qp-decode: unknown option '-x'"},
      {"log-check", "log-check: missing DIR"},
      {"log-check d m b x", "log-check: unexpected argument 'x'"},
  };
  for (const auto& misuse : misuses) {
    ToolRun run = RunTool(misuse.arguments);
    EXPECT_EQ(run.status, 2) << misuse.arguments;
    EXPECT_EQ(run.out, "") << misuse.arguments;
    EXPECT_EQ(run.err.find(std::string("vo-tools: ") + misuse.message), 0u) << run.err;
    EXPECT_NE(run.err.find("\ntry 'vo-tools "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("usage:"), std::string::npos) << run.err;
  }
}

// What an operator sees before a process logs into DIR: status 0 only when
// both files can be written, a line that says why not, and the directory
// left as it was (an existing log file keeps its bytes, a new one goes).
TEST(VoToolsCli, LogCheckSaysWhetherAndWhyNotTheLogsCanBeWritten) {
  namespace fs = std::filesystem;
  const std::string dir = Scratch("logs");
  fs::remove_all(dir);
  fs::create_directories(dir);
  WriteFile(dir + "/SysmetLogBrief.txt", "kept\n");
  WriteFile(Scratch("file"), "");
  const std::string long_name(300, 'n');
  // A file another name links to, in a directory others can write, which
  // the library refuses on POSIX.
  const std::string shared = Scratch("shared");
  fs::remove_all(shared);
  fs::create_directories(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  WriteFile(shared + "/elsewhere", "");
  fs::create_hard_link(shared + "/elsewhere", shared + "/SysmetLog.txt");
  const bool posix = !vo_tools_test::RunningUnderWine();
  const struct {
    std::string arguments;
    int status;
    std::string says;
  } cases[] = {
      {"\"" + dir + "\"", 0, "SysmetLogBrief.txt: exists and can be appended to"},
      {"\"" + dir + "\" \"\" \"\"", 0, "SysmetLog.txt: can be created and appended to"},
      {"\"" + Scratch("absent") + "\"", 1, "absent: does not exist"},
      {"\"" + Scratch("file") + "\"", 1, "file: is not a directory"},
      {"\"" + dir + "\" " + long_name + " b.txt", 1, "too long"},
      {"\"" + dir + "\" m.txt", 0, "SysmetLogBrief.txt: exists and can be appended to"},
      {"\"" + shared + "\"", posix ? 1 : 0,
       posix ? "SysmetLog.txt: cannot be appended to: refused: another name links to the file"
             : "SysmetLog.txt: exists and can be appended to"},
  };
  for (const auto& c : cases) {
    ToolRun run = RunTool("log-check " + c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.out << run.err;
    EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
  }
  EXPECT_EQ(ReadFile(dir + "/SysmetLogBrief.txt"), "kept\n");
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"SysmetLogBrief.txt"});
}

TEST(VoToolsCli, OutputThatCannotBeWrittenFailsWithStatusOne) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here (Windows)";
  for (const char* arguments : {"--help", "service-names 42"}) {
    ToolRun run = RunTool(arguments, "", "/dev/full");
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_NE(run.err.find("cannot write standard output"), std::string::npos) << run.err;
  }
}

// Nothing the tool opens may take the closed descriptor and receive its
// output: a log file that log-check opens keeps its bytes.
TEST(VoToolsCli, ClosedStandardOutputFailsWithStatusOne) {
  if (vo_tools_test::RunningUnderWine() || !std::filesystem::exists("/bin/sh")) {
    GTEST_SKIP() << "commands run through cmd.exe here (Windows), which cannot close a stream";
  }
  const std::string dir = Scratch("logs");
  std::filesystem::create_directories(dir);
  WriteFile(dir + "/SysmetLog.txt", "kept\n");
  for (const std::string& arguments : {std::string("--version"), "log-check \"" + dir + "\""}) {
    ToolRun run = RunTool(arguments, "", kClosed);
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_NE(run.err.find("vo-tools: standard output is closed"), std::string::npos) << run.err;
  }
  EXPECT_EQ(ReadFile(dir + "/SysmetLog.txt"), "kept\n");
}

TEST(VoToolsCli, OutOfMemoryIsAMessageAndStatusOne) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's runtime cannot start under a limit on its address space";
#endif
  if (vo_tools_test::RunningUnderWine() || !std::filesystem::exists("/bin/sh")) {
    GTEST_SKIP() << "commands run through cmd.exe here (Windows), which has no ulimit";
  }
  if (std::string(VO_TOOLS_CLI_EMULATOR).size() != 0) {
    GTEST_SKIP() << "the limit would bind the emulator that runs the tool (its code buffer "
                    "alone takes 128 MiB)";
  }
  // Encoding 24 MiB of high bytes needs 72 MiB more than the input: more
  // than a 100 MiB address space holds.
  const std::string in = Scratch("in");
  WriteFile(in, std::string(24 << 20, '\xFF'));
  ToolRun run = RunTool("qp-encode", in, "", "ulimit -v 102400 && ");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("vo-tools: out of memory"), std::string::npos) << run.err;
}

}  // namespace

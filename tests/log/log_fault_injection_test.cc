// One harness for the faults both logs meet at the file system. For each
// scenario below, for k = 1, 2, ... up to the last file operation the
// scenario makes, the k-th operation of the platform layer (open, append,
// size, identity, lock, rename, remove, last byte) fails with each error
// that operation can meet, or ends the process there as a crash would. Then
// the file system works again, the clock turns, the same process logs on,
// and a next process sets up and logs. After each run the files must hold:
// no torn or glued line but the one a cut write left; every line logged
// after the fault cleared, once; a brief log within its size plus a line;
// and one separator per set-up that opened a file. Each run is a child
// process with a bound on its time, so a hang or a crash fails the run.
//
// The normal suite injects each fault at call k alone, and one error where
// the logs cannot tell errors apart; with VO_TOOLS_FAULT_INJECTION=long
// (CI) every error, and each fault also persisting from call k until the
// file system works again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "brief_log.h"
#include "log_file/shared_log_file.h"
#include "log_lines.h"
#include "module/critical_section.h"
#include "platform/fault_hooks.h"
#include "quill/quill_log.h"
#include "scratch_dir.h"
#include "timed_fork.h"
#include "wait_for.h"

namespace {

namespace fs = std::filesystem;
using vo_tools::log::BriefLog;
using vo_tools::platform::FileFault;
using vo_tools::platform::FileOp;
using vo_tools_test::FileExists;
using vo_tools_test::kBriefRotationBytes;
using vo_tools_test::kSeparatorLine;
using vo_tools_test::ReadFile;
using vo_tools_test::ScratchDir;
using vo_tools_test::WriteFile;

// The main log is made with a small cap, so that it rotates in the rotation
// scenarios as often as the brief log does.
constexpr unsigned long kMainKib = 16;
constexpr unsigned long kMainBackups = 2;

std::string LineText(const char* tag, int number) {
  return std::string(tag) + " " + std::to_string(number) + " " + std::string(40, '.') + "\n";
}

// --- In the process under test ---

struct Injection {
  long k = 0;  // 0: none, only counting
  FileFault fault = FileFault::kNone;
  bool persistent = false;
  bool cleared = false;
  long calls = 0;
  std::vector<FileOp> ops;  // every operation seen
  std::string exit_marker;  // written just before an injected exit
};
Injection g_injection;

std::int64_t g_now = 1000;
std::int64_t TestClock() {
  return g_now;
}

FileFault Hook(FileOp op) {
  Injection& in = g_injection;
  if (in.cleared) return FileFault::kNone;
  ++in.calls;
  in.ops.push_back(op);
  if (in.k == 0 || in.calls < in.k || (in.calls > in.k && !in.persistent)) {
    return FileFault::kNone;
  }
  FileFault fault = in.fault;
  // A full disk that cut one write short refuses the next ones whole.
  if (in.calls > in.k && fault == FileFault::kShortWrite) fault = FileFault::kNoSpace;
  if (fault == FileFault::kExit) WriteFile(in.exit_marker, "");
  return fault;
}

// One process's two logs, as its set-up makes them.
struct Writer {
  explicit Writer(const std::string& dir) : brief(&lock) {
    brief.Open("brief.txt", dir.c_str());
    main = IQuillLog1::CreateInstance((dir + "main.txt").c_str(), kMainKib, kMainBackups, nullptr,
                                      "", IQuillLog1::kShared);
  }
  void Line(const std::string& text) {
    main->Write("", 0, 1, text.c_str());
    brief.Append(text.c_str());
  }

  CKaCriticalSection lock;
  BriefLog brief;
  QUILL::CSmartPtr<IQuillLog1> main;
};

struct Run {
  Writer& SetUp() {
    writers.push_back(std::make_unique<Writer>(dir));
    return *writers.back();
  }
  void Lines(Writer& writer, int count, const char* tag = "line") {
    for (int i = 0; i < count; ++i) writer.Line(LineText(tag, next++));
  }
  void Tick() { ++g_now; }

  std::string dir;
  std::vector<std::unique_ptr<Writer>> writers;
  int next = 0;
};

// A file of `size` bytes that ends with a line feed, sparse before it.
void FillTo(const std::string& path, std::uint64_t size) {
  std::ofstream(path, std::ios::binary).flush();
  fs::resize_file(path, size - 1);
  std::ofstream(path, std::ios::binary | std::ios::app) << '\n';
}

// Both files a few lines short of their rotation.
void NearlyFull(const std::string& dir) {
  FillTo(dir + "brief.txt", kBriefRotationBytes - 150);
  FillTo(dir + "main.txt", kMainKib * 1024 - 30);
}

// As a log rotator would; a file that the fault kept from being made is
// not there to rename.
void Rename(const std::string& dir) {
  std::error_code missing;
  fs::rename(dir + "brief.txt", dir + "brief.old", missing);
  fs::rename(dir + "main.txt", dir + "main.old", missing);
}

struct Scenario {
  const char* name;
  int writers;  // set-ups in the run
  void (*prepare)(const std::string& dir);
  void (*run)(Run& run);
};

const Scenario kScenarios[] = {
    {"set-up", 1, nullptr,
     [](Run& run) {
       Writer& writer = run.SetUp();
       run.Lines(writer, 2);
     }},
    {"steady lines", 1, nullptr,
     [](Run& run) {
       Writer& writer = run.SetUp();
       for (int look = 0; look < 3; ++look) {
         run.Lines(writer, 3);
         run.Tick();
       }
     }},
    {"a rotation", 1, NearlyFull,
     [](Run& run) {
       Writer& writer = run.SetUp();
       run.Lines(writer, 2);
       run.Tick();
       run.Lines(writer, 3);
     }},
    {"a rotation shared with a second writer", 2, NearlyFull,
     [](Run& run) {
       Writer& first = run.SetUp();
       Writer& second = run.SetUp();  // its own open file, as another process has
       run.Lines(first, 2);
       run.Lines(second, 2);
       run.Tick();
       run.Lines(first, 2);
       run.Lines(second, 2);
     }},
    {"following a renamed path", 1, nullptr,
     [](Run& run) {
       Writer& writer = run.SetUp();
       run.Lines(writer, 2);
       Rename(run.dir);
       run.Tick();
       run.Lines(writer, 3);
     }},
};

struct Case {
  const Scenario* scenario;
  long k;
  FileOp op;  // the operation at call k in a run without faults
  FileFault fault;
  bool persistent;
};

std::string Describe(const Case& c) {
  static const char* const kOps[] = {"open", "append", "size",   "identity",
                                     "lock", "rename", "remove", "last byte"};
  static const char* const kFaults[] = {"none",   "ENOSPC", "short write", "EACCES",
                                        "EMFILE", "ENOENT", "_exit"};
  std::ostringstream text;
  text << c.scenario->name << ", call " << c.k << " (" << kOps[static_cast<int>(c.op)]
       << "): " << kFaults[static_cast<int>(c.fault)]
       << (c.persistent ? " until cleared" : " once");
  return text.str();
}

// The next set-up on what the run left: in the same process after a run
// that went on, in a process of its own after one that ended.
void RunNextSetUp(const std::string& dir) {
  vo_tools::log_file::SetLookClockForTesting(TestClock);
  g_now += 10;
  Writer writer(dir);
  for (int i = 0; i < 2; ++i) writer.Line(LineText("next", i));
}

// The scenario, then (unless the process ended) the lines after the fault.
void RunScenario(const Case& c, const std::string& dir) {
  vo_tools::log_file::SetLookClockForTesting(TestClock);
  g_injection.k = c.k;
  g_injection.fault = c.fault;
  g_injection.persistent = c.persistent;
  g_injection.exit_marker = dir + "exited";
  vo_tools::platform::SetFileFaultHook(Hook);
  Run run;
  run.dir = dir;
  c.scenario->run(run);
  g_injection.cleared = true;
  if (c.k == 0) {
    std::string ops;
    for (FileOp op : g_injection.ops) ops += std::to_string(static_cast<int>(op)) + " ";
    WriteFile(dir + "ops", ops);
  }
  run.Tick();
  std::string after;
  for (auto& writer : run.writers) {
    for (int i = 0; i < 2; ++i) {
      const std::string text = LineText("after", run.next++);
      writer->Line(text);
      after += text;
    }
  }
  WriteFile(dir + "after", after);
  RunNextSetUp(dir);
}

// --- Checking what the files hold ---

struct Seen {
  int separators = 0;  // whole or torn
  int torn = 0;
  int blank = 0;
  std::map<std::string, int> lines;
  std::vector<std::string> bad;
  std::uint64_t largest = 0;
};

// Every line a run may log, with its line feed.
const std::vector<std::string>& KnownLines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> all;
    for (const char* tag : {"line", "after", "next"}) {
      for (int n = 0; n < 40; ++n) all.push_back(LineText(tag, n));
    }
    return all;
  }();
  return lines;
}

bool IsKnownLine(const std::string& line) {
  return std::find(KnownLines().begin(), KnownLines().end(), line) != KnownLines().end();
}

// The shape of the main log's record head before each line the writers log
// ('d' a digit): their context is "" and their number 0.
constexpr std::string_view kHeadShape = "dddd-dd-dd dd:dd:dd.ddd INFO #0 | ";

bool FitsHeadShape(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kHeadShape[i] == 'd' ? !digit : text[i] != kHeadShape[i]) return false;
  }
  return true;
}

// The main log's lines without their record heads: the checks below then
// read both logs alike. A head a cut write left unfinished stays.
std::string WithoutHeads(std::string_view data) {
  std::string lines;
  lines.reserve(data.size());
  for (std::size_t i = 0; i < data.size();) {
    if (data.size() - i >= kHeadShape.size() && FitsHeadShape(data.substr(i, kHeadShape.size()))) {
      i += kHeadShape.size();
    } else {
      lines += data[i++];
    }
  }
  return lines;
}

// A piece that a cut write may have left: the start of a line, separator or
// record head.
bool IsKnownPrefix(const std::string& piece) {
  if (kSeparatorLine.compare(0, piece.size(), piece) == 0) return true;
  if (piece.size() < kHeadShape.size() && FitsHeadShape(piece)) return true;
  for (const std::string& line : KnownLines()) {
    if (line.compare(0, piece.size(), piece) == 0) return true;
  }
  return false;
}

// A known line glued onto the start of another: what a writer appends
// between its looks onto a line another writer (another process) left cut.
bool IsCutThenLine(const std::string& piece, std::string* line) {
  for (const std::string& known : KnownLines()) {
    const std::string text = known.substr(0, known.size() - 1);
    if (piece.size() > text.size() &&
        piece.compare(piece.size() - text.size(), text.size(), text) == 0 &&
        IsKnownPrefix(piece.substr(0, piece.size() - text.size()))) {
      *line = known;
      return true;
    }
  }
  return false;
}

// `shared`: more than one writer, which see each other's cut lines only at
// their looks.
void Scan(const std::string& path, bool shared, Seen* seen) {
  if (!FileExists(path)) return;
  // Read into one buffer kept for every run: the files are megabytes.
  static std::vector<char> buffer;
  const std::size_t size = static_cast<std::size_t>(fs::file_size(path));
  if (buffer.size() < size) buffer.resize(size);
  std::ifstream in(path, std::ios::binary);
  in.read(buffer.data(), static_cast<std::streamsize>(size));
  const std::string lines = WithoutHeads(std::string_view(buffer.data(), size));
  const std::string_view data = lines;
  seen->largest = std::max<std::uint64_t>(seen->largest, size);
  std::size_t start = 0;
  while (start < data.size()) {
    if (data[start] == '\0') {  // the sparse filler a scenario began with
      const std::size_t past = data.find_first_not_of('\0', start);
      if (past != std::string::npos && data[past] == '\n') {
        start = past + 1;
        continue;
      }
    }
    std::size_t end = data.find('\n', start);
    const bool whole = end != std::string::npos;
    if (!whole) end = data.size();
    const std::string piece(data.substr(start, end - start));
    start = end + 1;
    if (piece.empty()) {
      ++seen->blank;
    } else if (whole && piece + "\n" == kSeparatorLine) {
      ++seen->separators;
    } else if (whole && IsKnownLine(piece + "\n")) {
      ++seen->lines[piece + "\n"];
    } else if (IsKnownPrefix(piece)) {
      ++seen->torn;
      if (kSeparatorLine.compare(0, piece.size(), piece) == 0) ++seen->separators;
    } else if (std::string line; shared && whole && IsCutThenLine(piece, &line)) {
      ++seen->torn;
      ++seen->lines[line];
      if (kSeparatorLine.compare(0, 1, piece, 0, 1) == 0) ++seen->separators;
    } else {
      seen->bad.push_back(path + ": " + piece.substr(0, 120));
    }
  }
}

// The lines the run logged after its fault cleared, as it noted them.
std::vector<std::string> AfterLines(const std::string& dir) {
  std::vector<std::string> lines;
  std::istringstream in(FileExists(dir + "after") ? ReadFile(dir + "after") : "");
  for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
  return lines;
}

// What the run broke, if anything: empty when every invariant held.
std::string Check(const Case& c, const std::string& dir) {
  std::ostringstream problems;
  Seen brief, main;
  const bool shared = c.scenario->writers > 1;
  for (const char* name : {"brief.BAK", "brief.txt", "brief.old"}) Scan(dir + name, shared, &brief);
  for (const char* name : {"main.txt.2", "main.txt.1", "main.txt", "main.old"}) {
    Scan(dir + name, shared, &main);
  }
  if (FileExists(dir + "main.txt.3")) problems << "more main-log backups than asked for; ";
  const bool exited = FileExists(dir + "exited");
  const bool cuts = c.fault == FileFault::kShortWrite || c.fault == FileFault::kExit;
  for (const Seen* seen : {&brief, &main}) {
    const char* log = seen == &brief ? "brief" : "main";
    for (const std::string& bad : seen->bad) problems << "torn or glued: " << bad << "; ";
    if (seen->blank > 0 && c.op != FileOp::kLastByte) problems << log << ": blank lines; ";
    for (const auto& [line, count] : seen->lines) {
      if (count > 1) problems << log << ": kept " << count << " times: " << line;
    }
    // Every line logged once the fault had cleared: the run's own after it
    // (unless it ended), and the next process's.
    std::vector<std::string> due = AfterLines(dir);
    for (int n = 0; n < 2; ++n) due.push_back(LineText("next", n));
    for (const std::string& line : due) {
      if (seen->lines.count(line) == 0) problems << log << ": lost " << line;
    }
  }
  if (brief.torn + main.torn > (cuts ? 1 : 0)) problems << "torn lines: " << brief.torn + main.torn;
  // Each writer knows only its own texts since its last look: each may add
  // its separator and a line past the threshold. A rotation the file system
  // refused is put off to the next look, and the file takes texts till then.
  const bool put_off = c.op == FileOp::kRename || c.op == FileOp::kRemove ||
                       c.op == FileOp::kSize || c.op == FileOp::kLock;
  const std::uint64_t bound =
      kBriefRotationBytes + (put_off ? vo_tools_test::kLookEveryBytes : 0) +
      c.scenario->writers * (kSeparatorLine.size() + LineText("line", 99).size() + 1);
  if (brief.largest > bound) problems << "brief file of " << brief.largest << " bytes; ";
  const int setups = c.scenario->writers + 1;
  const bool may_lose_separators =
      c.op == FileOp::kRename || c.op == FileOp::kRemove || c.fault == FileFault::kExit;
  if (brief.separators > setups || (!may_lose_separators && brief.separators != setups) ||
      (exited && brief.separators < setups - c.scenario->writers)) {
    problems << brief.separators << " separators for " << setups << " set-ups; ";
  }
  return problems.str();
}

bool LongRun() {
  const char* setting = std::getenv("VO_TOOLS_FAULT_INJECTION");
  return setting != nullptr && std::string(setting) == "long";
}

std::vector<FileOp> OpsOf(const Scenario& scenario) {
  ScratchDir dir;
  if (scenario.prepare != nullptr) scenario.prepare(dir.path());
  const Case dry{&scenario, 0, FileOp::kOpen, FileFault::kNone, false};
  EXPECT_EQ(
      vo_tools_test::ForkAndWait([&] { RunScenario(dry, dir.path()); }, vo_tools_test::kHangBound),
      vo_tools_test::ForkOutcome::kExitedCleanly);
  std::vector<FileOp> ops;
  std::istringstream in(FileExists(dir / "ops") ? ReadFile(dir / "ops") : "");
  for (int op; in >> op;) ops.push_back(static_cast<FileOp>(op));
  return ops;
}

// What one run broke: empty when the run held every invariant.
std::string RunCase(const Case& c) {
  ScratchDir dir;
  if (c.scenario->prepare != nullptr) c.scenario->prepare(dir.path());
  const auto first = vo_tools_test::ForkAndWait(
      [&] {
        try {
          RunScenario(c, dir.path());
        } catch (...) {
          std::_Exit(2);
        }
      },
      vo_tools_test::kHangBound);
  const bool exited = FileExists(dir / "exited");
  auto next = vo_tools_test::ForkOutcome::kExitedCleanly;
  if (exited) {
    next = vo_tools_test::ForkAndWait(
        [&] {
          try {
            RunNextSetUp(dir.path());
          } catch (...) {
            std::_Exit(2);
          }
        },
        vo_tools_test::kHangBound);
  }
  std::string problems;
  if (first != vo_tools_test::ForkOutcome::kExitedCleanly &&
      !(exited && first == vo_tools_test::ForkOutcome::kFailed)) {
    problems += "the run hung or crashed; ";
  }
  if (next != vo_tools_test::ForkOutcome::kExitedCleanly) problems += "the next set-up failed; ";
  if (!exited && !FileExists(dir / "after")) problems += "the run did not finish; ";
  problems += Check(c, dir.path());
  return problems;
}

// The faults each operation can meet. The logs tell no error from another,
// so the normal suite puts one in each operation but an append; the long
// setting puts in each.
std::vector<FileFault> FaultsAt(FileOp op, bool long_run) {
  if (op == FileOp::kAppend) return {FileFault::kNoSpace, FileFault::kShortWrite, FileFault::kExit};
  if (!long_run) return {FileFault::kNoAccess, FileFault::kExit};
  return {FileFault::kNoAccess, FileFault::kNoDescriptors, FileFault::kNoEntry, FileFault::kExit};
}

TEST(LogFaultInjection, EveryFaultAtEveryCallOfEveryScenarioKeepsTheLogsSound) {
  if (!vo_tools_test::CanFork()) {
    GTEST_SKIP() << "each run needs a process of its own (fork) to contain a crash or a hang";
  }
  const bool long_run = LongRun();
  const std::vector<bool> modes =
      long_run ? std::vector<bool>{false, true} : std::vector<bool>{false};
  // Failures are reported at the end: a child forked after one would see it
  // and exit as failed.
  std::vector<std::string> failed;
  int runs = 0, points = 0;
  for (const Scenario& scenario : kScenarios) {
    const std::vector<FileOp> ops = OpsOf(scenario);
    ASSERT_FALSE(ops.empty()) << scenario.name;
    points += static_cast<int>(ops.size());
    for (std::size_t k = 1; k <= ops.size(); ++k) {
      for (FileFault fault : FaultsAt(ops[k - 1], long_run)) {
        for (bool persistent : modes) {
          const Case c{&scenario, static_cast<long>(k), ops[k - 1], fault, persistent};
          const std::string problems = RunCase(c);
          ++runs;
          if (!problems.empty()) failed.push_back(Describe(c) + ": " + problems);
        }
      }
    }
  }
  std::printf("fault injection: %d injection points in %zu scenarios, %d runs\n", points,
              std::size(kScenarios), runs);
  for (std::size_t i = 0; i < failed.size() && i < 30; ++i) ADD_FAILURE() << failed[i];
  EXPECT_EQ(failed.size(), 0u) << "runs that broke an invariant, of " << runs;
}

}  // namespace

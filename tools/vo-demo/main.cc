// vo-demo: runs every service of the vo_tools2 library in one go, on the
// library's own host timer service, and tells what happened and where the
// logs are (or why they could not be written). Exit status 0 when everything
// behaved as expected, 1 when a check failed (or no log directory could be
// made, or standard output could not be written), 2 for a bad command line.
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "checks.h"
#include "demo_log.h"
#include "log_directory.h"
#include "options.h"
#include "plugin_run.h"
#include "text_run.h"

namespace vo_demo {
namespace {

// The main log's lines come after the log service's record head.
bool IsStampedLine(const std::string& record) {
  const std::size_t head = record.find(" | pid=");
  const std::string line = head == std::string::npos ? record : record.substr(head + 3);
  const std::size_t first = line.find(" > ");
  return line.rfind("pid=", 0) == 0 && line.find(" tid=") < first && first != std::string::npos &&
         line.find(" > ", first + 3) != std::string::npos;
}

bool AllStamped(const std::vector<std::string>& lines, std::size_t from) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (!IsStampedLine(lines[i])) return false;
  }
  return true;
}

// Everything logged reached its files, whole and stamped; each log opens
// with its set-up's separator (the main log's: the service's set-up record).
void ReportLogs(const DemoLog& log, Checks* checks, std::ostream& out) {
  const std::vector<std::string> main_lines = log.NewMainLines();
  const std::vector<std::string> brief_lines = log.NewBriefLines();
  const std::size_t logged_main = static_cast<std::size_t>(log.main_lines());
  const std::size_t logged_brief = static_cast<std::size_t>(log.brief_lines());
  checks->Expect(main_lines.size() == logged_main + 1 && AllStamped(main_lines, 1),
                 "the main log holds its set-up record and every line logged, stamped (" +
                     std::to_string(logged_main + 1) + " expected, " +
                     std::to_string(main_lines.size()) + " found)");
  checks->Expect(brief_lines.size() == logged_brief + 1 && brief_lines[0] == std::string(39, '-') &&
                     AllStamped(brief_lines, 1),
                 "the brief log holds its separator and every flagged line (" +
                     std::to_string(logged_brief + 1) + " expected, " +
                     std::to_string(brief_lines.size()) + " found)");
  out << "Logged " << logged_main << " lines from two threads, " << logged_brief
      << " of them flagged for the brief log, which reads:\n";
  for (const std::string& line : brief_lines) out << "  " << line << "\n";
}

LogDirectory ChooseLogDirectory(const DemoOptions& options) {
  if (!options.log_dir.empty()) return OpenLogDirectory(options.log_dir);
  std::error_code error;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  if (error) return {{}, "no temporary directory: " + error.message()};
  return MakeFreshLogDirectory(temp, "vo-demo-");
}

// The directory the run made for itself goes, unless asked to stay. Where
// the library still holds the logs open and the system will not remove
// such files (Windows), the directory stays, and the account says so.
void ReportRemoval(const std::filesystem::path& directory, std::ostream& out) {
  std::error_code error;
  std::filesystem::remove_all(directory, error);
  if (error) {
    out << "Logs: " << directory.string() << " (it could not be removed: " << error.message()
        << ")\n";
  } else {
    out << "Logs: removed with " << directory.string() << " (--keep-logs keeps them)\n";
  }
}

int Run(const DemoOptions& options) {
  const LogDirectory directory = ChooseLogDirectory(options);
  if (directory.path.empty()) {
    std::cerr << "vo-demo: " << directory.error << "\n";
    return 1;
  }
  std::cout << "vo-demo: the services of vo_tools2 in one run (about three seconds)\n\n";
  // A standard output that cannot take the account (closed, say) stops the
  // run before it starts: nothing else would tell the user what happened.
  if (!std::cout.flush()) return 1;
  DemoLog log(directory.path);
  Checks checks;
  RunPlugins(&log, &checks, std::cout);
  std::cout << "\n";
  RunTextUtilities(options.suffix, &log, &checks, std::cout);
  std::cout << "\n";
  log.Line(VO_LOG_INFO, false, "vo-demo", 0, "done after %d checks", checks.count());
  ReportLogs(log, &checks, std::cout);
  std::cout << "\n";

  for (const std::string& failure : checks.failures()) {
    std::cerr << "vo-demo: FAILED: " << failure << "\n";
  }
  if (checks.all_held()) {
    std::cout << "All " << checks.count() << " checks passed.\n";
  } else {
    std::cout << checks.failures().size() << " of " << checks.count() << " checks FAILED.\n";
  }
  const std::string problem = log.WriteProblem();
  if (problem.empty() && options.log_dir.empty() && !options.keep_logs) {
    ReportRemoval(directory.path, std::cout);
  } else if (problem.empty()) {
    std::cout << "Logs: " << log.main_path().string() << "\n"
              << "      " << log.brief_path().string() << "\n";
  } else {
    const std::string failure =
        "the logs could not be written in " + directory.path.string() + ": " + problem;
    std::cerr << "vo-demo: " << failure << "\n";
    std::cout << "The logs could not be written in " << directory.path.string() << ": " << problem
              << "\n";
  }
  return checks.all_held() && problem.empty() ? 0 : 1;
}

// Output that did not reach its destination (a full disk, a closed pipe)
// makes the run a failure, with a word on standard error.
int Flushed(int status) {
  std::cout.flush();
  if (std::cout) return status;
  std::cerr << "vo-demo: cannot write standard output\n";
  return 1;
}

}  // namespace
}  // namespace vo_demo

int main(int argc, char** argv) {
  const vo_demo::ParsedOptions parsed = vo_demo::ParseDemoOptions(argc, argv);
  if (!parsed.error.empty()) {
    std::cerr << "vo-demo: " << parsed.error << "\n"
              << "try 'vo-demo --help'\n";
    return 2;
  }
  if (parsed.options.help) {
    std::cout << vo_demo::DemoUsage();
    return vo_demo::Flushed(0);
  }
  return vo_demo::Flushed(vo_demo::Run(parsed.options));
}

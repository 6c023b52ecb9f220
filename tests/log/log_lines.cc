#include "log_lines.h"

#include <cstdio>

#include "scratch_dir.h"

namespace vo_tools_test {

bool ParseLine(const std::string& record, unsigned long* pid, std::string* message) {
  // The main log's record head, when there is one, comes before the line.
  const std::size_t head = record.find(" | pid=");
  const std::string line = head == std::string::npos ? record : record.substr(head + 3);
  unsigned long tid = 0;
  char month[16] = {};
  int day = -1, hour = -1, minute = -1, second = -1, used = 0;
  if (std::sscanf(line.c_str(), "pid=%lx tid=%lx > %15s %2d %2d:%2d:%2d > %n", pid, &tid, month,
                  &day, &hour, &minute, &second, &used) != 7 ||
      used == 0) {
    return false;
  }
  if (line.back() != '\n' || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
    return false;
  }
  *message = line.substr(used, line.size() - used - 1);
  return true;
}

bool IsSetUpRecord(const std::string& line) {
  return line.find(" SETUP | level ") == 23;
}

std::vector<std::string> LinesOf(const std::vector<std::string>& files) {
  std::vector<std::string> lines;
  for (const std::string& file : files) {
    if (!FileExists(file)) continue;
    for (std::string& line : ReadLines(file)) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace vo_tools_test

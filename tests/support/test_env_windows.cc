#include <stdlib.h>

#include "test_env.h"

namespace vo_tools_test {

std::vector<std::string> TemporaryDirectoryVariables() {
  return {"TMP", "TEMP"};
}

std::string TextOnDisk(const std::string& text) {
  std::string stored;
  for (char c : text) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  return stored;
}

void SetEnvironment(const std::string& name, const char* value) {
  // An empty value removes the variable; _putenv_s also updates the
  // environment block that GetTempPathA reads.
  _putenv_s(name.c_str(), value != nullptr ? value : "");
}

bool CloseOnExecFlagsOf(const std::string& /*path*/, std::vector<bool>* flags) {
  flags->clear();
  return false;
}

}  // namespace vo_tools_test

#include "test_env.h"

#include <cstdlib>

namespace vo_tools_test {
ScopedTemporaryDirectory::ScopedTemporaryDirectory(const std::string& dir) {
  for (const std::string& name : TemporaryDirectoryVariables()) {
    const char* value = std::getenv(name.c_str());
    saved_.push_back({name, value != nullptr, value != nullptr ? value : ""});
    SetEnvironment(name, dir.c_str());
  }
}

ScopedTemporaryDirectory::~ScopedTemporaryDirectory() {
  for (const Saved& saved : saved_) {
    SetEnvironment(saved.name, saved.was_set ? saved.value.c_str() : nullptr);
  }
}

}  // namespace vo_tools_test

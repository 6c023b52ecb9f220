#include "log_directory.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <system_error>

namespace vo_demo {

namespace fs = std::filesystem;

LogDirectory OpenLogDirectory(const fs::path& wanted) {
  std::error_code error;
  const fs::path path = fs::absolute(wanted, error);
  if (error) return {{}, "cannot resolve " + wanted.string() + ": " + error.message()};
  fs::create_directories(path, error);
  if (error) return {{}, "cannot create " + path.string() + ": " + error.message()};
  // Not every standard library reports an existing file as an error above.
  if (!fs::is_directory(path, error)) return {{}, path.string() + " is not a directory"};
  return {path, {}};
}

LogDirectory MakeFreshLogDirectory(const fs::path& parent, const std::string& prefix) {
  // random_device may be deterministic on some platforms; the clock keeps
  // two runs apart there.
  std::random_device device;
  std::mt19937 rng(device() ^ static_cast<unsigned>(
                                  std::chrono::steady_clock::now().time_since_epoch().count()));
  std::error_code error;
  const fs::path base = fs::absolute(parent, error);
  if (error) return {{}, "cannot resolve " + parent.string() + ": " + error.message()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[16];
    std::snprintf(name, sizeof name, "%08x", static_cast<unsigned>(rng()));
    const fs::path path = base / (prefix + name);
    // create_directory is false, without an error, when the name is taken.
    if (fs::create_directory(path, error)) return {path, {}};
    if (error) return {{}, "cannot create " + path.string() + ": " + error.message()};
  }
  return {{}, "no free name for a new directory in " + base.string()};
}

}  // namespace vo_demo

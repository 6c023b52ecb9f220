#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "test_env.h"

namespace vo_tools_test {

std::vector<std::string> TemporaryDirectoryVariables() {
  return {"TMPDIR"};
}

std::string TextOnDisk(const std::string& text) {
  return text;
}

void SetEnvironment(const std::string& name, const char* value) {
  if (value == nullptr) {
    unsetenv(name.c_str());
  } else {
    setenv(name.c_str(), value, 1);
  }
}

bool CloseOnExecFlagsOf(const std::string& path, std::vector<bool>* flags) {
  flags->clear();
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const auto target = std::filesystem::read_symlink(entry.path(), error);
    if (error || target != path) continue;
    const int fd = std::stoi(entry.path().filename().string());
    flags->push_back((fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0);
  }
  return true;
}

bool OpenFileBlocksRename() {
  return false;
}

bool RunningUnderWine() {
  return false;
}

std::string CommandPath(const std::string& path) {
  return path;
}

int RunCommand(const std::string& command) {
  const int result = std::system(command.c_str());
  return WIFEXITED(result) ? WEXITSTATUS(result) : -1;
}

void* LoadModule(const std::string& path) {
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* ModuleFunction(void* module, const char* name) {
  return dlsym(module, name);
}

void UnloadModule(void* module) {
  dlclose(module);
}

bool ModuleIsLoaded(const std::string& file_name) {
  void* module = dlopen(file_name.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (module != nullptr) dlclose(module);
  return module != nullptr;
}

int OpenDescriptorCount() {
  const auto fds = std::filesystem::directory_iterator("/proc/self/fd");
  return static_cast<int>(std::distance(begin(fds), end(fds)));
}

int DescriptorsOnRemovedFiles() {
  int removed = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    const std::string mark = " (deleted)";
    removed += target.size() > mark.size() && target.substr(target.size() - mark.size()) == mark;
  }
  return removed;
}

}  // namespace vo_tools_test

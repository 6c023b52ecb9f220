// What tests change or inspect of their own process's environment, behind
// one interface: environment variables, the temporary directory the library
// sees, and whether an open file would leak into programs the process runs.
#ifndef VO_TOOLS_TESTS_SUPPORT_TEST_ENV_H_
#define VO_TOOLS_TESTS_SUPPORT_TEST_ENV_H_

#include <string>
#include <vector>

namespace vo_tools_test {

// `text` as a text-mode stream stores it: each line feed becomes the
// platform's line end ("\r\n" on Windows, unchanged elsewhere).
std::string TextOnDisk(const std::string& text);

// Sets (or, for null, removes) an environment variable of this process; the
// value in UTF-8.
void SetEnvironment(const std::string& name, const char* value);

// The environment variables the platform's temporary directory is read from.
std::vector<std::string> TemporaryDirectoryVariables();

// Points the temporary directory that the platform reports (TMPDIR on POSIX,
// TMP and TEMP on Windows) at `dir` for the guard's life.
class ScopedTemporaryDirectory {
 public:
  explicit ScopedTemporaryDirectory(const std::string& dir);
  ~ScopedTemporaryDirectory();
  ScopedTemporaryDirectory(const ScopedTemporaryDirectory&) = delete;
  ScopedTemporaryDirectory& operator=(const ScopedTemporaryDirectory&) = delete;

 private:
  struct Saved {
    std::string name;
    bool was_set;
    std::string value;
  };
  std::vector<Saved> saved_;
};

// For each of this process's descriptors open on `path`, whether it is closed
// on exec. False when the platform cannot list them (Windows, where a handle
// is inherited only when made inheritable).
bool CloseOnExecFlagsOf(const std::string& path, std::vector<bool>* flags);

// True where a file that a stream of another part of the program holds open
// (an ifstream, say) can be neither renamed nor removed: Windows, whose
// runtime opens files without sharing the right to delete them.
bool OpenFileBlocksRename();

// True when this Windows program runs under Wine rather than Windows.
bool RunningUnderWine();

// `path` in the form the platform's command interpreter takes (backslashes
// on Windows).
std::string CommandPath(const std::string& path);

// Runs `command` through the platform's command interpreter, as std::system
// does, and returns the program's exit status; -1 when it did not exit
// normally.
int RunCommand(const std::string& command);

// A shared library loaded and unloaded as a host loads its plug-ins
// (dlopen, LoadLibrary); null when it cannot be loaded or has no `name`.
void* LoadModule(const std::string& path);
void* ModuleFunction(void* module, const char* name);
void UnloadModule(void* module);
// Whether the library of that file name is mapped in this process.
bool ModuleIsLoaded(const std::string& file_name);

// The descriptors (handles on Windows) this process has open, and how many
// of them are on files no name leads to any more (none where the platform
// cannot tell).
int OpenDescriptorCount();
int DescriptorsOnRemovedFiles();

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_SUPPORT_TEST_ENV_H_

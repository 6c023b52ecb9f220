#include <stdlib.h>
#include <windows.h>

#include <cstdlib>
#include <string>

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

namespace {

std::wstring WideFromUtf8(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  return wide;
}

}  // namespace

void SetEnvironment(const std::string& name, const char* value) {
  // An empty value removes the variable; _wputenv also updates the
  // environment block that GetTempPathW reads (and, unlike _wputenv_s, is
  // declared by every runtime's headers the builds use). The value is
  // UTF-8, as the library's paths are, so that it can name any folder.
  const std::wstring assignment =
      WideFromUtf8(name) + L"=" + WideFromUtf8(value != nullptr ? value : "");
  _wputenv(assignment.c_str());
}

bool CloseOnExecFlagsOf(const std::string& /*path*/, std::vector<bool>* flags) {
  flags->clear();
  return false;
}

bool OpenFileBlocksRename() {
  return true;
}

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string CommandPath(const std::string& path) {
  std::string native = path;
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  return native;
}

int RunCommand(const std::string& command) {
  // cmd.exe /c drops the first and the last quote of its command line, so a
  // command that starts with a quoted program needs one more pair around it.
  return std::system(("\"" + command + "\"").c_str());
}

void* LoadModule(const std::string& path) {
  return LoadLibraryA(path.c_str());
}

void* ModuleFunction(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void UnloadModule(void* module) {
  FreeLibrary(static_cast<HMODULE>(module));
}

bool ModuleIsLoaded(const std::string& file_name) {
  return GetModuleHandleA(file_name.c_str()) != nullptr;
}

int OpenDescriptorCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return static_cast<int>(count);
}

int DescriptorsOnRemovedFiles() {
  return 0;
}

}  // namespace vo_tools_test

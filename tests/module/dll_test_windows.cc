// The DLL as Windows loads it: its entry point and static objects across a
// load and an unload, and the version record Explorer shows. The program does
// not link the library, so that LoadLibrary and FreeLibrary really map and
// unmap it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// The DLL that the load and unload case maps. A program that also links the
// library (the 32-bit suite does) names a byte-identical copy of it under
// another name, which Windows maps as a module of its own.
#ifndef VO_TOOLS_DLL_TO_LOAD
#define VO_TOOLS_DLL_TO_LOAD "vo_tools2.dll"
#endif

// `name` in this program's folder.
std::string LibraryPath(const char* name = "vo_tools2.dll") {
  char program[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string path(program, length);
  return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

// The decorated names of the exports looked up below, in the compiler's ABI.
#if defined(_MSC_VER) && defined(_WIN64)
constexpr const char* kRequestsInitialized = "?m_bRequestsInitialized@CPlexWakeUpServer@@1HA";
constexpr const char* kEncode = "?QuotablePrinted_Encode@@YAPEBDPEBD@Z";
constexpr const char* kFreeString = "?QuotablePrinted_FreeString@@YAXPEBD@Z";
#elif defined(_MSC_VER)
constexpr const char* kRequestsInitialized = "?m_bRequestsInitialized@CPlexWakeUpServer@@1HA";
constexpr const char* kEncode = "?QuotablePrinted_Encode@@YAPBDPBD@Z";
constexpr const char* kFreeString = "?QuotablePrinted_FreeString@@YAXPBD@Z";
#else
constexpr const char* kRequestsInitialized = "_ZN17CPlexWakeUpServer22m_bRequestsInitializedE";
constexpr const char* kEncode = "_Z22QuotablePrinted_EncodePKc";
constexpr const char* kFreeString = "_Z26QuotablePrinted_FreeStringPKc";
#endif

// Looks up an exported function by its decorated name.
template <typename Function>
Function Export(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

TEST(Dll, LoadsRunsAndUnloadsCleanly) {
  for (int round = 0; round < 2; ++round) {
    HMODULE library = LoadLibraryA(LibraryPath(VO_TOOLS_DLL_TO_LOAD).c_str());
    ASSERT_NE(library, nullptr) << "error " << GetLastError();
    // Class-wide state starts as zero at every load.
    const int* initialized =
        reinterpret_cast<const int*>(GetProcAddress(library, kRequestsInitialized));
    ASSERT_NE(initialized, nullptr);
    EXPECT_EQ(*initialized, 0);

    // A thread that starts and ends while the library is loaded (thread
    // attach and detach) leaves it working.
    std::thread([] {}).join();
    auto encode = Export<const char* (*)(const char*)>(library, kEncode);
    auto release = Export<void (*)(const char*)>(library, kFreeString);
    ASSERT_NE(encode, nullptr);
    ASSERT_NE(release, nullptr);
    const char* encoded = encode("a=\xE9");
    ASSERT_NE(encoded, nullptr);
    EXPECT_STREQ(encoded, "a=3D=E9");
    release(encoded);

    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_EQ(GetModuleHandleA(VO_TOOLS_DLL_TO_LOAD), nullptr)
        << "still mapped after the last free";
  }
}

TEST(Dll, VersionRecordDescribesTheLibrary) {
  const std::string path = LibraryPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> record(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, record.data()));

  char* description = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(record.data(), "\\StringFileInfo\\040904B0\\FileDescription",
                             reinterpret_cast<void**>(&description), &length));
  EXPECT_STREQ(description, "vo_tools");

  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 2u);
}

}  // namespace

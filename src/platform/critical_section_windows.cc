#include <windows.h>

#include "platform/critical_section_windows.h"

namespace vo_tools::platform {
namespace {

static_assert(sizeof(CRITICAL_SECTION) == (sizeof(void*) == 8 ? 40 : 24) &&
                  alignof(CRITICAL_SECTION) <= alignof(void*),
              "CriticalSection's storage must hold a CRITICAL_SECTION exactly");

using SetSpinCountFunction = DWORD(WINAPI*)(LPCRITICAL_SECTION, DWORD);

// Looked up at every construction, as older systems lack the function; the
// module handle is not counted by GetModuleHandleA, so nothing is released.
void TrySetSpinCount(CRITICAL_SECTION* section) {
  HMODULE kernel = GetModuleHandleA("Kernel32.dll");
  if (kernel == nullptr) return;
  FARPROC found = GetProcAddress(kernel, "SetCriticalSectionSpinCount");
  if (found == nullptr) return;
  reinterpret_cast<SetSpinCountFunction>(reinterpret_cast<void (*)()>(found))(
      section, CriticalSection::kSpinCount);
}

CRITICAL_SECTION* AsSection(unsigned char* storage) {
  return reinterpret_cast<CRITICAL_SECTION*>(storage);
}

}  // namespace

CriticalSection::CriticalSection() {
  InitializeCriticalSection(AsSection(storage_));
  TrySetSpinCount(AsSection(storage_));
}

CriticalSection::~CriticalSection() {
  DeleteCriticalSection(AsSection(storage_));
}

// The implementation of a lock is where the analysis stops.
void CriticalSection::Lock() NO_THREAD_SAFETY_ANALYSIS {
  EnterCriticalSection(AsSection(storage_));
}

void CriticalSection::Unlock() NO_THREAD_SAFETY_ANALYSIS {
  LeaveCriticalSection(AsSection(storage_));
}

#if defined(VO_TOOLS_TEST_SEAMS)
int CriticalSection::SpinCountForTesting() const {
  // The high byte of SpinCount holds flags of the system's own.
  const auto* section = reinterpret_cast<const CRITICAL_SECTION*>(storage_);
  return static_cast<int>(section->SpinCount & 0x00FFFFFF);
}
#endif

}  // namespace vo_tools::platform

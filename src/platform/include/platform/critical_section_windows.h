// Windows critical section: the kernel's own re-entrant lock, given a spin
// count where the system offers SetCriticalSectionSpinCount.
// Contract: see platform/critical_section.h.
//
// The CRITICAL_SECTION lives in opaque storage here, so that the services
// that include this header never see <windows.h>; the .cc checks that the
// storage fits.
#ifndef VO_TOOLS_PLATFORM_CRITICAL_SECTION_WINDOWS_H_
#define VO_TOOLS_PLATFORM_CRITICAL_SECTION_WINDOWS_H_

#include "platform/thread_annotations.h"

namespace vo_tools::platform {

class CAPABILITY("mutex") CriticalSection {
 public:
  // Spin count asked of the system for every section.
  static constexpr int kSpinCount = 4000;

  CriticalSection();
  ~CriticalSection();

  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Lock() ACQUIRE();
  void Unlock() RELEASE();

  // The spin count the system keeps for this section: kSpinCount on a
  // multiprocessor, 0 on a single processor or without the spin-count call.
  // It reads the system's own fields, so only the tests' build defines it.
  int SpinCountForTesting() const;

 private:
  // sizeof(CRITICAL_SECTION): 24 bytes on 32-bit Windows, 40 on 64-bit.
  static constexpr unsigned kStorageSize = sizeof(void*) == 8 ? 40 : 24;
  alignas(void*) unsigned char storage_[kStorageSize];
};

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_CRITICAL_SECTION_WINDOWS_H_

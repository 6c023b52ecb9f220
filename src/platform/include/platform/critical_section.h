// platform::CriticalSection: the operating system's re-entrant lock, with a
// spin phase before a contended Lock blocks.
//
// The owning thread may Lock again without blocking; other threads get the
// lock once every Lock has been matched by an Unlock on the owning thread.
// Unlock is only ever called by the owner. The object must stay at its
// address from construction to destruction; it is neither copied nor moved.
// No operation reports a failure.
#ifndef VO_TOOLS_PLATFORM_CRITICAL_SECTION_H_
#define VO_TOOLS_PLATFORM_CRITICAL_SECTION_H_

#if defined(_WIN32)
#include "platform/critical_section_windows.h"
#else
#include "platform/critical_section_posix.h"
#endif

#endif  // VO_TOOLS_PLATFORM_CRITICAL_SECTION_H_

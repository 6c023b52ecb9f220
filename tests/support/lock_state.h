// What a test can say about a lock it waited too long for: the system's id
// of the calling thread, and what the system keeps in a critical section,
// where the platform lets a test read it.
#ifndef VO_TOOLS_TESTS_SUPPORT_LOCK_STATE_H_
#define VO_TOOLS_TESTS_SUPPORT_LOCK_STATE_H_

#include <cstdint>
#include <string>

namespace vo_tools_test {

// The calling thread's id, as a critical section's owner field holds it.
std::uint64_t CurrentThreadId();

// The owner, recursion count and lock count of the platform critical
// section that starts at `section` (a CKaCriticalSection starts with it), in
// words; a note that they cannot be read where the platform hides them.
// Read without synchronisation: for a failure message only.
std::string DescribeCriticalSection(const void* section);

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_SUPPORT_LOCK_STATE_H_

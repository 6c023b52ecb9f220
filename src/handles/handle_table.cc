#include <cstring>
#include <new>
#include <utility>

#include "vo_tools/handle_table.h"

namespace {

using HandleEntry = GenericHandleMgr::HandleEntry;

constexpr std::uint32_t kInitialSize = 64;
// Doubling past this would overflow the 32-bit size.
constexpr std::uint32_t kLargestSize = std::uint32_t{1} << 31;

// Four fifths of n, rounded up.
constexpr std::uint32_t EnlargeThreshold(std::uint32_t n) {
  return n - n / 5;
}

// An array of n empty slots, or null when it cannot be allocated.
HandleEntry* NewEmptyArray(std::uint32_t n) {
  return new (std::nothrow) HandleEntry[n]();
}

HandleEntry* DuplicateArray(const HandleEntry* source, std::uint32_t n) {
  if (n == 0) return nullptr;
  HandleEntry* copy = new (std::nothrow) HandleEntry[n];
  if (copy != nullptr) std::memcpy(copy, source, sizeof(HandleEntry) * n);
  return copy;
}

}  // namespace

GenericHandleMgr::GenericHandleMgr()
    : m_pArray(NewEmptyArray(kInitialSize)),
      m_pArrayEnd(nullptr),
      m_nArraySize(m_pArray != nullptr ? kInitialSize : 0),
      m_nHandles(0),
      m_nLastHandle(0),
      m_nFirstUsed(kInitialSize - 1),
      m_nEnlargeAt(EnlargeThreshold(kInitialSize)),
      m_bCanEnlarge(1) {
  m_pArrayEnd = m_pArray + m_nArraySize;
}

// Each table owns its own array: a copy duplicates it. A copy whose array
// cannot be allocated has size 0, as a table whose construction failed.
GenericHandleMgr::GenericHandleMgr(const GenericHandleMgr& other)
    : m_pArray(DuplicateArray(other.m_pArray, other.m_nArraySize)),
      m_pArrayEnd(nullptr),
      m_nArraySize(m_pArray != nullptr ? other.m_nArraySize : 0),
      m_nHandles(m_pArray != nullptr ? other.m_nHandles : 0),
      m_nLastHandle(other.m_nLastHandle),
      m_nFirstUsed(other.m_nFirstUsed),
      m_nEnlargeAt(other.m_nEnlargeAt),
      m_bCanEnlarge(other.m_bCanEnlarge) {
  m_pArrayEnd = m_pArray + m_nArraySize;
}

// Copy and swap: the copy's failure leaves this table with size 0, and this
// table's former array goes with the copy.
GenericHandleMgr& GenericHandleMgr::operator=(const GenericHandleMgr& other) {
  if (this == &other) return *this;
  GenericHandleMgr copy(other);
  std::swap(m_pArray, copy.m_pArray);
  std::swap(m_pArrayEnd, copy.m_pArrayEnd);
  std::swap(m_nArraySize, copy.m_nArraySize);
  std::swap(m_nHandles, copy.m_nHandles);
  std::swap(m_nLastHandle, copy.m_nLastHandle);
  std::swap(m_nFirstUsed, copy.m_nFirstUsed);
  std::swap(m_nEnlargeAt, copy.m_nEnlargeAt);
  std::swap(m_bCanEnlarge, copy.m_bCanEnlarge);
  return *this;
}

GenericHandleMgr::~GenericHandleMgr() {
  delete[] m_pArray;
}

unsigned long GenericHandleMgr::AssignNewHandle(void* object) {
  if (m_nArraySize == 0 || AdjustArrayForMore() == 0) return 0;
  // Every candidate passed over is used up; the counter skips 0 as it wraps.
  const std::uint32_t mask = m_nArraySize - 1;
  std::uint32_t handle = m_nLastHandle;
  std::uint32_t slot;
  do {
    ++handle;
    if (handle == 0) handle = 1;
    slot = handle & mask;
  } while (m_pArray[slot].handle != 0);
  m_nLastHandle = handle;
  m_pArray[slot] = HandleEntry{handle, object};
  if (slot < m_nFirstUsed) m_nFirstUsed = slot;
  ++m_nHandles;
  return handle;
}

// GetHandleObject and FreeHandle are defined inline in the header; taking
// their addresses here makes the library emit, and so export, their
// out-of-line copies for callers that bind to the symbols. (The vendor's
// compiler exports them with the class, and knows no GNU attribute.)
#if defined(__GNUC__) || defined(__clang__)
#define VO_TOOLS_KEEP_DEFINITION [[gnu::used]]
#else
#define VO_TOOLS_KEEP_DEFINITION
#endif
VO_TOOLS_KEEP_DEFINITION void* (GenericHandleMgr::*const kExportedGetHandleObject)(
    unsigned long) const = &GenericHandleMgr::GetHandleObject;
VO_TOOLS_KEEP_DEFINITION void (GenericHandleMgr::*const kExportedFreeHandle)(unsigned long) =
    &GenericHandleMgr::FreeHandle;

unsigned long GenericHandleMgr::GetAHandle() const {
  for (; m_nFirstUsed < m_nArraySize; ++m_nFirstUsed) {
    if (m_pArray[m_nFirstUsed].handle != 0) return m_pArray[m_nFirstUsed].handle;
  }
  return 0;
}

int GenericHandleMgr::AdjustArrayForMore() {
  if (m_nHandles == m_nEnlargeAt && m_bCanEnlarge != 0) m_bCanEnlarge = EnlargeArray();
  return m_nHandles < m_nArraySize ? 1 : 0;
}

// Values that differ modulo the old size differ modulo twice that size, so
// no two entries meet in one new slot: each lands at its old index or at its
// old index plus the old size.
int GenericHandleMgr::EnlargeArray() {
  if (m_nArraySize == 0 || m_nArraySize >= kLargestSize) return 0;
  const std::uint32_t size = m_nArraySize * 2;
  HandleEntry* array = NewEmptyArray(size);
  if (array == nullptr) return 0;
  const std::uint32_t mask = size - 1;
  std::uint32_t lowest = mask;
  for (const HandleEntry* old = m_pArray; old != m_pArrayEnd; ++old) {
    if (old->handle == 0) continue;
    const std::uint32_t slot = old->handle & mask;
    array[slot] = *old;
    if (slot < lowest) lowest = slot;
  }
  delete[] m_pArray;
  m_pArray = array;
  m_pArrayEnd = array + size;
  m_nArraySize = size;
  m_nFirstUsed = lowest;
  m_nEnlargeAt = EnlargeThreshold(size);
  return 1;
}

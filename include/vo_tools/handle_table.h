// GenericHandleMgr: hands out non-zero 32-bit handles for untyped pointers
// and turns them back into the pointers.
//
// A live handle h always sits in slot h mod size of one flat array, so
// resolving or freeing a handle is one mask and one comparison. The table
// starts with 64 slots and doubles when an assignment finds four fifths of
// them taken; it never shrinks, and it stops growing at 2^31 slots or after
// the first failed doubling. Handles are 32-bit values (kept in the
// interface's unsigned long); 0 is never issued and means "no handle".
// Handles count up and wrap: after 2^32 assignments a value is issued again,
// and a stale copy of the freed handle that once had it then finds the new
// object. A caller that keeps handles that long must not keep stale ones.
//
// Ownership: the table owns its slot array, and a copy owns a copy of it. It
// never dereferences, copies or frees the stored objects; they belong to the
// caller.
//
// Threads: no operation takes a lock, and GetAHandle, though const, moves a
// cached scan position. Callers that share a table guard every call,
// const ones included.
//
// Failures are results: AssignNewHandle returns 0 when no slot can be had,
// GetHandleObject null for a handle that is not live, FreeHandle ignores one.
// A table whose first array (or whose copy's array) could not be allocated
// has size 0 and issues, resolves and walks nothing. Nothing throws.
#ifndef VO_TOOLS_HANDLE_TABLE_H_
#define VO_TOOLS_HANDLE_TABLE_H_

#include <cstdint>

#include "vo_tools/export.h"

class VO_TOOLS_API GenericHandleMgr {
 public:
  // One slot: `object` means nothing while `handle` is 0.
  struct HandleEntry {
    std::uint32_t handle;
    void* object;
  };

  GenericHandleMgr();
  GenericHandleMgr(const GenericHandleMgr& other);
  virtual ~GenericHandleMgr();
  GenericHandleMgr& operator=(const GenericHandleMgr& other);

  // Stores `object` (null included) under a new handle; 0 when the table is
  // full and cannot grow, or has no array.
  unsigned long AssignNewHandle(void* object);

  // The object stored under a live handle; null for 0, a freed handle or one
  // never issued. Inline, so that a lookup costs callers a mask and a
  // compare rather than a call into the library; the library exports the
  // same definition for callers that bind to the symbol.
  void* GetHandleObject(unsigned long handle) const {
    if (m_nArraySize == 0 || handle == 0) return nullptr;
    // The size is a power of two, so masking is "h mod size". A value wider
    // than 32 bits matches no slot: every stored handle fits in 32.
    const HandleEntry& entry = m_pArray[handle & (m_nArraySize - 1)];
    return entry.handle == handle ? entry.object : nullptr;
  }

  // Frees a live handle; does nothing for any other value. Inline for the
  // same reason as GetHandleObject.
  void FreeHandle(unsigned long handle) {
    if (m_nArraySize == 0 || handle == 0) return;
    HandleEntry& entry = m_pArray[handle & (m_nArraySize - 1)];
    if (entry.handle != handle) return;
    entry.handle = 0;
    --m_nHandles;
  }

  // The handle in the lowest-index occupied slot, or 0 when there is none.
  // Slot order is not issue order once the counter has wrapped past the end
  // of the array. Alternating GetAHandle and FreeHandle drains the table with
  // each slot visited once.
  unsigned long GetAHandle() const;

 private:
  int AdjustArrayForMore();
  int EnlargeArray();

  HandleEntry* m_pArray;
  HandleEntry* m_pArrayEnd;
  std::uint32_t m_nArraySize;
  std::uint32_t m_nHandles;
  std::uint32_t m_nLastHandle;
  mutable std::uint32_t m_nFirstUsed;
  std::uint32_t m_nEnlargeAt;
  int m_bCanEnlarge;
};

#endif  // VO_TOOLS_HANDLE_TABLE_H_

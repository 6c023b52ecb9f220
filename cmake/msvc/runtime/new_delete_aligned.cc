// The over-aligned operator new and delete over ucrtbase's aligned heap and
// its new-handler; see new_delete.cc.
#include <stdlib.h>

#include <new>

extern "C" _ACRTIMP int __cdecl _callnewh(size_t size);

void* __cdecl operator new(size_t size, std::align_val_t alignment) {
  for (;;) {
    if (void* block = _aligned_malloc(size ? size : 1, static_cast<size_t>(alignment)))
      return block;
    if (_callnewh(size) == 0) throw std::bad_alloc();
  }
}
void* __cdecl operator new(size_t size, std::align_val_t alignment,
                           const std::nothrow_t&) noexcept {
  try {
    return operator new(size, alignment);
  } catch (...) {
    return nullptr;
  }
}
void* __cdecl operator new[](size_t size, std::align_val_t alignment) {
  return operator new(size, alignment);
}
void* __cdecl operator new[](size_t size, std::align_val_t alignment,
                             const std::nothrow_t& tag) noexcept {
  return operator new(size, alignment, tag);
}
void __cdecl operator delete(void* block, std::align_val_t) noexcept {
  _aligned_free(block);
}
void __cdecl operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  _aligned_free(block);
}
void __cdecl operator delete[](void* block, std::align_val_t) noexcept {
  _aligned_free(block);
}
void __cdecl operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  _aligned_free(block);
}
void __cdecl operator delete(void* block, size_t, std::align_val_t) noexcept {
  _aligned_free(block);
}
void __cdecl operator delete[](void* block, size_t, std::align_val_t) noexcept {
  _aligned_free(block);
}

// Stand-in for the compiler-support header vcruntime_new.h: the allocation
// functions' declarations (their definitions are in cmake/msvc/runtime/),
// std::nothrow_t and std::align_val_t, and placement new.
#pragma once
#include <vcruntime.h>

#pragma pack(push, _CRT_PACKING)

extern "C++" {

namespace std {
struct nothrow_t {
  explicit nothrow_t() = default;
};
extern const nothrow_t nothrow;
enum class align_val_t : size_t {};
}  // namespace std

_NODISCARD void* __cdecl operator new(size_t size);
_NODISCARD void* __cdecl operator new(size_t size, const std::nothrow_t&) noexcept;
_NODISCARD void* __cdecl operator new[](size_t size);
_NODISCARD void* __cdecl operator new[](size_t size, const std::nothrow_t&) noexcept;
void __cdecl operator delete(void* block) noexcept;
void __cdecl operator delete(void* block, const std::nothrow_t&) noexcept;
void __cdecl operator delete[](void* block) noexcept;
void __cdecl operator delete[](void* block, const std::nothrow_t&) noexcept;
void __cdecl operator delete(void* block, size_t size) noexcept;
void __cdecl operator delete[](void* block, size_t size) noexcept;

_NODISCARD void* __cdecl operator new(size_t size, std::align_val_t alignment);
_NODISCARD void* __cdecl operator new(size_t size, std::align_val_t alignment,
                                      const std::nothrow_t&) noexcept;
_NODISCARD void* __cdecl operator new[](size_t size, std::align_val_t alignment);
_NODISCARD void* __cdecl operator new[](size_t size, std::align_val_t alignment,
                                        const std::nothrow_t&) noexcept;
void __cdecl operator delete(void* block, std::align_val_t alignment) noexcept;
void __cdecl operator delete(void* block, std::align_val_t alignment,
                             const std::nothrow_t&) noexcept;
void __cdecl operator delete[](void* block, std::align_val_t alignment) noexcept;
void __cdecl operator delete[](void* block, std::align_val_t alignment,
                               const std::nothrow_t&) noexcept;
void __cdecl operator delete(void* block, size_t size, std::align_val_t alignment) noexcept;
void __cdecl operator delete[](void* block, size_t size, std::align_val_t alignment) noexcept;

#define __PLACEMENT_NEW_INLINE
_NODISCARD inline void* __cdecl operator new(size_t, void* where) noexcept {
  return where;
}
inline void __cdecl operator delete(void*, void*) noexcept {}
#define __PLACEMENT_VEC_NEW_INLINE
_NODISCARD inline void* __cdecl operator new[](size_t, void* where) noexcept {
  return where;
}
inline void __cdecl operator delete[](void*, void*) noexcept {}

}  // extern "C++"

#pragma pack(pop)

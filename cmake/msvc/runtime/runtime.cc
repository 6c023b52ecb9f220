// The static part of the C++ runtime that every module of the MSVC-ABI build
// links (a program and a DLL alike), in place of the vendor's static
// libraries: what no runtime DLL exports because each module needs its own
// copy. Other files hold what a module may replace or need not take:
// allocation (new_delete*.cc), exit routines (module_exit.cc), entry points
// (dll_entry.cc, exe_entry.cc, dll_main_stub.cc), type_info's destructor
// (type_info.cc), and the file-system entries Wine's msvcp140 lacks
// (filesystem.cc).
#include <corecrt_startup.h>
#include <limits.h>
#include <stdlib.h>
#include <windows.h>

#include <stddef.h>
#include <wchar.h>

#include <exception>
#include <iosfwd>
#include <new>
#include <typeinfo>
#include <xfacet>

#include "module_exit.h"

// What the stand-in headers state of the vendor's layouts, which objects
// that cross a module boundary rely on: std::exception is its vftable
// pointer, then the message and whether the exception owns it (so 12 bytes
// on x86, 24 on x64), and its allocation-failure kin add nothing; type_info
// is its vftable pointer, the undecorated name's cache, then the decorated
// name, as the compiler lays out its type descriptors; the multibyte state
// is 8 bytes (and with it std::fpos).
static_assert(sizeof(std::exception) == 3 * sizeof(void*), "std::exception's layout");
static_assert(offsetof(__std_exception_data, _DoFree) == sizeof(void*), "the owned flag");
static_assert(sizeof(std::bad_alloc) == sizeof(std::exception), "std::bad_alloc adds nothing");
static_assert(sizeof(std::bad_array_new_length) == sizeof(std::exception), "nor its kin");
static_assert(sizeof(type_info) == 3 * sizeof(void*), "type_info's layout");
static_assert(offsetof(__std_type_info_data, _DecoratedName) == sizeof(void*), "the name");
static_assert(sizeof(mbstate_t) == 8 && sizeof(std::streampos) == 24, "the multibyte state");

const std::nothrow_t std::nothrow{};

// Locale facets that the standard library made for the module, released
// when it ends.
namespace {
struct RegisteredFacet {
  std::_Facet_base* facet;
  RegisteredFacet* next;
};
RegisteredFacet* g_facets = nullptr;

void ReleaseFacets() {
  while (RegisteredFacet* entry = g_facets) {
    g_facets = entry->next;
    delete entry->facet->_Decref();
    delete entry;
  }
}
}  // namespace

void __cdecl std::_Facet_Register(std::_Facet_base* facet) {
  if (!g_facets) vo_msvc_at_module_exit(ReleaseFacets);
  g_facets = new RegisteredFacet{facet, g_facets};
}

// ---- Thread-safe initialisation of function-local statics. A guard is 0
// before, -1 during, and afterwards the epoch at which it completed; each
// thread skips the call once its own epoch has caught up.
extern "C" {
int _Init_global_epoch = INT_MIN;
__declspec(thread) int _Init_thread_epoch = INT_MIN;
}
namespace {
SRWLOCK g_static_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_static_done = CONDITION_VARIABLE_INIT;
}  // namespace

extern "C" void __cdecl _Init_thread_header(int* guard) {
  AcquireSRWLockExclusive(&g_static_lock);
  if (*guard == 0) {
    *guard = -1;
  } else {
    while (*guard == -1) SleepConditionVariableSRW(&g_static_done, &g_static_lock, INFINITE, 0);
    _Init_thread_epoch = _Init_global_epoch;
  }
  ReleaseSRWLockExclusive(&g_static_lock);
}
extern "C" void __cdecl _Init_thread_footer(int* guard) {
  AcquireSRWLockExclusive(&g_static_lock);
  *guard = ++_Init_global_epoch;
  _Init_thread_epoch = _Init_global_epoch;
  ReleaseSRWLockExclusive(&g_static_lock);
  WakeAllConditionVariable(&g_static_done);
}
extern "C" void __cdecl _Init_thread_abort(int* guard) {
  AcquireSRWLockExclusive(&g_static_lock);
  *guard = 0;
  ReleaseSRWLockExclusive(&g_static_lock);
  WakeAllConditionVariable(&g_static_done);
}

// ---- std::shared_mutex's lock, an SRW lock, which the vendor's msvcp140
// exports and Wine 8's does not.
extern "C" {
void __cdecl _Smtx_lock_exclusive(void** lock) {
  AcquireSRWLockExclusive(PSRWLOCK(lock));
}
void __cdecl _Smtx_lock_shared(void** lock) {
  AcquireSRWLockShared(PSRWLOCK(lock));
}
int __cdecl _Smtx_try_lock_exclusive(void** lock) {
  return TryAcquireSRWLockExclusive(PSRWLOCK(lock));
}
int __cdecl _Smtx_try_lock_shared(void** lock) {
  return TryAcquireSRWLockShared(PSRWLOCK(lock));
}
void __cdecl _Smtx_unlock_exclusive(void** lock) {
  ReleaseSRWLockExclusive(PSRWLOCK(lock));
}
void __cdecl _Smtx_unlock_shared(void** lock) {
  ReleaseSRWLockShared(PSRWLOCK(lock));
}
}

// ---- std::system_category()'s messages, from the system's message table;
// the vendor's msvcp140 exports these and Wine 8's does not.
extern "C" size_t __stdcall __std_system_error_allocate_message(unsigned long id,
                                                                char** text) noexcept {
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, id, 0, reinterpret_cast<char*>(text), 0, nullptr);
  if (length == 0) return 0;
  while (length > 0 && ((*text)[length - 1] == ' ' || (*text)[length - 1] == '\n' ||
                        (*text)[length - 1] == '\r' || (*text)[length - 1] == '\t'))
    --length;
  return length;
}
extern "C" void __stdcall __std_system_error_deallocate_message(char* text) noexcept {
  LocalFree(text);
}

// ---- The module's thread-local storage directory: the loader copies
// .tls (between these markers) for each thread.
extern "C" {
unsigned long _tls_index = 0;
__attribute__((section(".tls"))) char _tls_start = 0;
__attribute__((section(".tls$ZZZ"))) char _tls_end = 0;
#pragma section(".CRT$XLA", read)
#pragma section(".CRT$XLZ", read)
__declspec(allocate(".CRT$XLA")) PIMAGE_TLS_CALLBACK __xl_a = nullptr;
__declspec(allocate(".CRT$XLZ")) PIMAGE_TLS_CALLBACK __xl_z = nullptr;
extern const IMAGE_TLS_DIRECTORY _tls_used = {reinterpret_cast<ULONG_PTR>(&_tls_start),
                                              reinterpret_cast<ULONG_PTR>(&_tls_end),
                                              reinterpret_cast<ULONG_PTR>(&_tls_index),
                                              reinterpret_cast<ULONG_PTR>(&__xl_a + 1),
                                              0,
                                              {}};
}

// ---- thread_local objects with constructors or destructors: the compiler
// lists their initialisers in .CRT$XDU and runs them for a thread on its
// first access (__dyn_tls_on_demand_init) or when the thread starts
// (__dyn_tls_init, a TLS callback); their destructors are registered per
// thread (__tlregdtor) and run when the thread or the process ends.
#pragma section(".CRT$XDA", read)
#pragma section(".CRT$XDZ", read)
#pragma section(".CRT$XLY", read)
extern "C" {
__declspec(allocate(".CRT$XDA")) _PVFV __xd_a = nullptr;
__declspec(allocate(".CRT$XDZ")) _PVFV __xd_z = nullptr;
__declspec(thread) bool __tls_guard = false;
}
namespace {
struct ThreadExitRoutine {
  _PVFV routine;
  ThreadExitRoutine* next;
};
__declspec(thread) ThreadExitRoutine* t_exit_routines = nullptr;

void NTAPI run_thread_exit_routines(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_THREAD_DETACH && reason != DLL_PROCESS_DETACH) return;
  while (ThreadExitRoutine* entry = t_exit_routines) {
    t_exit_routines = entry->next;
    entry->routine();
    free(entry);
  }
}
}  // namespace

extern "C" void NTAPI __dyn_tls_init(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_THREAD_ATTACH || __tls_guard) return;
  __tls_guard = true;
  for (_PVFV* initialiser = &__xd_a + 1; initialiser < &__xd_z; ++initialiser)
    if (*initialiser) (*initialiser)();
}
extern "C" void __cdecl __dyn_tls_on_demand_init() {
  __dyn_tls_init(nullptr, DLL_THREAD_ATTACH, nullptr);
}
extern "C" int __cdecl __tlregdtor(_PVFV routine) {
  auto* entry = static_cast<ThreadExitRoutine*>(malloc(sizeof(ThreadExitRoutine)));
  if (!entry) return -1;
  *entry = {routine, t_exit_routines};
  t_exit_routines = entry;
  return 0;
}
extern "C" __declspec(allocate(".CRT$XLY"))
    PIMAGE_TLS_CALLBACK __vo_thread_exit_callback = run_thread_exit_routines;

// ---- What the compiler's code calls by name.
extern "C" {
int _fltused = 0x9875;
// The standard library's processor checks: 0 sends it to its portable code.
int __isa_available = 0;
}

// Stack probes for frames over a page: touch each page in order, so that
// the guard page below the stack grows it. The 64-bit probe leaves the stack
// pointer to its caller; the 32-bit one moves it.
#if defined(_M_X64)
__asm__(
    ".text\n.globl __chkstk\n__chkstk:\n"
    "  push %rcx\n  push %rax\n  lea 24(%rsp), %rcx\n"
    "  cmp $0x1000, %rax\n  jb 1f\n"
    "2: sub $0x1000, %rcx\n  test %rcx, (%rcx)\n  sub $0x1000, %rax\n"
    "  cmp $0x1000, %rax\n  ja 2b\n"
    "1: sub %rax, %rcx\n  test %rcx, (%rcx)\n  pop %rax\n  pop %rcx\n  ret\n");
#elif defined(_M_IX86)
// The offset of the thread's TLS slot array in its environment block, which
// the compiler's thread_local accesses read through fs:.
__asm__(".globl __tls_array\n.set __tls_array, 0x2c\n");
__asm__(
    ".text\n.globl __chkstk\n__chkstk:\n"
    "  push %ecx\n  lea 8(%esp), %ecx\n"
    "  cmp $0x1000, %eax\n  jb 1f\n"
    "2: sub $0x1000, %ecx\n  test %ecx, (%ecx)\n  sub $0x1000, %eax\n"
    "  cmp $0x1000, %eax\n  ja 2b\n"
    "1: sub %eax, %ecx\n  test %ecx, (%ecx)\n"
    "  mov %esp, %eax\n  mov %ecx, %esp\n  mov (%eax), %ecx\n  push 4(%eax)\n  ret\n");

// 64-bit division on 32-bit x86, which the compiler leaves to these
// helpers (stdcall, under their bare names).
namespace {
unsigned long long divide(unsigned long long n, unsigned long long d, unsigned long long* rest) {
  if ((n >> 32) == 0 && (d >> 32) == 0) {
    *rest = static_cast<unsigned>(n) % static_cast<unsigned>(d);
    return static_cast<unsigned>(n) / static_cast<unsigned>(d);
  }
  unsigned long long quotient = 0, remainder = 0;
  for (int bit = 63; bit >= 0; --bit) {
    remainder = remainder << 1 | (n >> bit & 1);
    if (remainder >= d) {
      remainder -= d;
      quotient |= 1ull << bit;
    }
  }
  *rest = remainder;
  return quotient;
}
unsigned long long magnitude(long long value) {
  return value < 0 ? 0 - static_cast<unsigned long long>(value) : value;
}
}  // namespace

extern "C" unsigned long long __stdcall vo_aulldiv(unsigned long long,
                                                   unsigned long long) __asm__("__aulldiv");
extern "C" unsigned long long __stdcall vo_aullrem(unsigned long long,
                                                   unsigned long long) __asm__("__aullrem");
extern "C" long long __stdcall vo_alldiv(long long, long long) __asm__("__alldiv");
extern "C" long long __stdcall vo_allrem(long long, long long) __asm__("__allrem");

extern "C" unsigned long long __stdcall vo_aulldiv(unsigned long long n, unsigned long long d) {
  unsigned long long rest;
  return divide(n, d, &rest);
}
extern "C" unsigned long long __stdcall vo_aullrem(unsigned long long n, unsigned long long d) {
  unsigned long long rest;
  divide(n, d, &rest);
  return rest;
}
extern "C" long long __stdcall vo_alldiv(long long n, long long d) {
  unsigned long long rest;
  unsigned long long quotient = divide(magnitude(n), magnitude(d), &rest);
  return static_cast<long long>((n < 0) != (d < 0) ? 0 - quotient : quotient);
}
extern "C" long long __stdcall vo_allrem(long long n, long long d) {
  unsigned long long rest;
  divide(magnitude(n), magnitude(d), &rest);
  return static_cast<long long>(n < 0 ? 0 - rest : rest);
}
#endif

// A module's exit routines: a DLL's static objects are torn down when it
// unloads, from its own table; a program's go to the process's table, run by
// exit(). This file sees no header that declares atexit as an import, so its
// atexit replaces ucrtbase's in the module instead of being exported.
#include <corecrt_startup.h>

#include "module_exit.h"

extern "C" {
_ACRTIMP void __cdecl _initterm(_PVFV* first, _PVFV* last);
}

namespace {
_onexit_table_t g_module_exit_table;
bool g_module_is_dll = false;
}  // namespace

int vo_msvc_at_module_exit(_PVFV function) {
  if (g_module_is_dll)
    return _register_onexit_function(&g_module_exit_table, reinterpret_cast<_onexit_t>(function));
  return _crt_atexit(function);
}
extern "C" int __cdecl atexit(_PVFV function) {
  return vo_msvc_at_module_exit(function);
}
extern "C" _onexit_t __cdecl _onexit(_onexit_t function) {
  return atexit(reinterpret_cast<_PVFV>(function)) == 0 ? function : nullptr;
}

// type_info::name() keeps the names it made in a list per module.
extern "C" {
struct __type_info_node {
  alignas(2 * sizeof(void*)) void* header[2];
};
__type_info_node __type_info_root_node;
__declspec(dllimport) void __cdecl __std_type_info_destroy_list(__type_info_node* root);
}

// Static constructors: the compiler lists them in .CRT$XCU, which the linker
// sorts between these two markers.
#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
extern "C" __declspec(allocate(".CRT$XCA")) _PVFV __xc_a[] = {nullptr};
extern "C" __declspec(allocate(".CRT$XCZ")) _PVFV __xc_z[] = {nullptr};

int vo_msvc_module_start(bool is_dll) {
  g_module_is_dll = is_dll;
  if (is_dll && _initialize_onexit_table(&g_module_exit_table) != 0) return 1;
  _initterm(__xc_a, __xc_z);
  return 0;
}

void vo_msvc_module_end() {
  _execute_onexit_table(&g_module_exit_table);
  __std_type_info_destroy_list(&__type_info_root_node);
}

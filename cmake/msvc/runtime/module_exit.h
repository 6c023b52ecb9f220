// Between the runtime's files: start a module (its exit table, then its
// static constructors; non-zero on failure), add to its exit routines
// (atexit's own, not ucrtbase's), and end it (its exit routines, latest
// first).
#pragma once

int vo_msvc_module_start(bool is_dll);
int vo_msvc_at_module_exit(void(__cdecl* routine)(void));
void vo_msvc_module_end();

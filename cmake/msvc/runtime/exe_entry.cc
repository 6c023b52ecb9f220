// A console program's entry point: static objects, main, then exit(), which
// runs the exit routines.
#include <corecrt_startup.h>
#include <stdlib.h>

#include "module_exit.h"

extern "C" {
_ACRTIMP int* __cdecl __p___argc(void);
_ACRTIMP char*** __cdecl __p___argv(void);
int main(int argc, char** argv);
}

extern "C" int mainCRTStartup() {
  _set_app_type(_crt_console_app);
  if (_configure_narrow_argv(_crt_argv_unexpanded_arguments) != 0 ||
      _initialize_narrow_environment() != 0 || vo_msvc_module_start(false) != 0)
    exit(255);
  exit(main(*__p___argc(), *__p___argv()));
}

// Stand-in for the compiler-support header intrin0.h, the short list of
// intrinsics the standard library headers use. Clang knows them all as
// builtins of its Microsoft mode; its own intrin.h declares them.
#pragma once
#include <intrin.h>

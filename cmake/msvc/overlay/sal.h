// Wine's sal.h, plus the annotations the vendor's standard library uses and
// it lacks; like the rest they mean nothing to the compiler.
#pragma once
#include_next <sal.h>

#define _Analysis_assume_(expression)
#define _Field_z_
#define _Guarded_by_(lock)
#define _Inout_bytecount_(size)
#define _Pre_satisfies_(condition)

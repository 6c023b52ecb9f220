// Wine's signal.h, plus sig_atomic_t.
#pragma once
#include_next <signal.h>

typedef int sig_atomic_t;

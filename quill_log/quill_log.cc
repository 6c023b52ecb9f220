// The interface's key function: its vtable and type information live here,
// in the interface library, so a stand-in log object in a test needs nothing
// from the file-backed implementation.
#include "quill/quill_log.h"

IQuillLog1::~IQuillLog1() = default;

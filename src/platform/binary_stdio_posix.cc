#include "platform/binary_stdio.h"

namespace vo_tools::platform {

// POSIX streams have no text mode.
void UseBinaryStandardStreams() {}

}  // namespace vo_tools::platform

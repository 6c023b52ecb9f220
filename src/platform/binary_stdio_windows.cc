#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/binary_stdio.h"

namespace vo_tools::platform {

void UseBinaryStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace vo_tools::platform

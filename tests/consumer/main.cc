// A user's program against an installed vo_tools2: a handle table, a codec
// round trip, and one single-shot wake-up on the host timer service inside
// a plug-in (plugin.h). Prints what it checked; exit status 0 when all held,
// 1 otherwise.
#include <cstdio>
#include <cstring>

#include <vo_tools/vo_tools.h>

#include "plugin.h"

namespace {

int failures = 0;

void Check(bool held, const char* what) {
  std::printf("%s  %s\n", held ? "ok    " : "FAILED", what);
  if (!held) ++failures;
}

void HandleTable() {
  int sensor = 7;
  GenericHandleMgr table;
  const unsigned long handle = table.AssignNewHandle(&sensor);
  Check(handle != 0 && table.GetHandleObject(handle) == &sensor, "a handle resolves to its object");
  table.FreeHandle(handle);
  Check(table.GetHandleObject(handle) == nullptr, "a freed handle resolves to nothing");
}

void Codec() {
  const char* encoded = QuotablePrinted_Encode("caf\xE9 a=b");
  const char* decoded = encoded != nullptr ? QuotablePrinted_Decode(encoded) : nullptr;
  Check(encoded != nullptr && std::strcmp(encoded, "caf=E9 a=3Db") == 0, "the codec encodes");
  Check(decoded != nullptr && std::strcmp(decoded, "caf\xE9 a=b") == 0, "the codec decodes");
  QuotablePrinted_FreeString(encoded);
  QuotablePrinted_FreeString(decoded);
}

}  // namespace

int main() {
  HandleTable();
  Codec();
  Check(Plugin_OneShotWakeUp(),
        "a plug-in's one-shot wakes its wakable with its request identifier");
  std::printf("%s\n", failures == 0 ? "consumer: all checks held" : "consumer: FAILED");
  return failures == 0 ? 0 : 1;
}

// The handle table: a non-zero number for an object pointer, turned back
// into the pointer while the handle is live. The table takes no lock: a
// caller that shares one between threads guards it itself.
#include <cstdio>

#include <vo_tools/handle_table.h>

namespace {

struct Sensor {
  const char* name;
};

}  // namespace

int main() {
  Sensor sensor{"disk-free"};
  GenericHandleMgr table;
  unsigned long h = table.AssignNewHandle(&sensor);          // 1, 2, 3, ...; 0 = no slot
  auto* s = static_cast<Sensor*>(table.GetHandleObject(h));  // null unless h is live
  if (h == 0 || s != &sensor) return 1;
  std::printf("handle %lu names the sensor %s\n", h, s->name);

  table.FreeHandle(h);
  if (table.GetHandleObject(h) != nullptr) return 1;
  std::printf("handle %lu, freed, names nothing\n", h);
  return 0;
}

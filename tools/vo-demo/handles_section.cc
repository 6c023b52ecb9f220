#include <string>
#include <vector>

#include <vo_tools/vo_tools.h>

#include "sections.h"

namespace vo_demo {

// Plug-ins pass handles, not pointers, across their interfaces: issue a few,
// resolve them, free one, and walk what is left.
bool ShowHandleTable(std::ostream& out) {
  std::vector<std::string> sensors = {"cpu-load", "disk-free", "link-state", "fan-speed"};
  GenericHandleMgr table;
  std::vector<unsigned long> handles;
  for (std::string& sensor : sensors) {
    handles.push_back(table.AssignNewHandle(&sensor));
    out << "   handle " << handles.back() << " -> " << sensor << "\n";
  }
  bool ok = true;
  for (std::size_t i = 0; i < handles.size(); ++i) {
    ok = ok && table.GetHandleObject(handles[i]) == &sensors[i];
  }
  table.FreeHandle(handles[1]);
  out << "   freed handle " << handles[1] << "; it now resolves to "
      << (table.GetHandleObject(handles[1]) == nullptr ? "nothing" : "something") << "\n";
  ok = ok && table.GetHandleObject(handles[1]) == nullptr;
  const unsigned long next = table.AssignNewHandle(&sensors[1]);
  out << "   a new handle for " << sensors[1] << " is " << next
      << " (freed values are not reused)\n";
  ok = ok && next == handles.back() + 1;

  out << "   draining in slot order:";
  for (unsigned long h = table.GetAHandle(); h != 0; h = table.GetAHandle()) {
    out << " " << h << "=" << *static_cast<std::string*>(table.GetHandleObject(h));
    table.FreeHandle(h);
  }
  out << "\n";
  return ok && table.GetAHandle() == 0;
}

}  // namespace vo_demo

#include "plugin_directory.h"

namespace vo_demo {

unsigned long PluginDirectory::Add(Plugin* plugin) {
  std::lock_guard<std::mutex> lock(mutex_);
  return table_.AssignNewHandle(plugin);
}

Plugin* PluginDirectory::Find(unsigned long handle) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<Plugin*>(table_.GetHandleObject(handle));
}

void PluginDirectory::Remove(unsigned long handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  table_.FreeHandle(handle);
}

int PluginDirectory::RemoveAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  int removed = 0;
  for (unsigned long handle = table_.GetAHandle(); handle != 0; handle = table_.GetAHandle()) {
    table_.FreeHandle(handle);
    ++removed;
  }
  return removed;
}

}  // namespace vo_demo

// PluginDirectory: the handles by which the demo's plug-ins know each other,
// so that none holds a pointer to another.
//
// GenericHandleMgr takes no lock, and this table is used both by the main
// thread and by timer callbacks, so every call goes through one mutex. The
// directory does not own the plug-ins.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_PLUGIN_DIRECTORY_H_
#define VO_TOOLS_TOOLS_VO_DEMO_PLUGIN_DIRECTORY_H_

#include <mutex>

#include <vo_tools/handle_table.h>

namespace vo_demo {

class Plugin;

class PluginDirectory {
 public:
  PluginDirectory() = default;
  PluginDirectory(const PluginDirectory&) = delete;
  PluginDirectory& operator=(const PluginDirectory&) = delete;

  // A new handle for `plugin`; 0 when the table has no slot.
  unsigned long Add(Plugin* plugin);
  // The plug-in behind a live handle; null for any other value.
  Plugin* Find(unsigned long handle) const;
  void Remove(unsigned long handle);
  // Removes every remaining handle, lowest slot first; returns how many.
  int RemoveAll();

 private:
  mutable std::mutex mutex_;
  GenericHandleMgr table_;
};

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_PLUGIN_DIRECTORY_H_

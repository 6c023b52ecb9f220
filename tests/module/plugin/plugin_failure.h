// A stand-in for a caller's plug-in: a second module, built apart from the
// library and from the test programs, whose code throws its own
// CKaBaseException-derived class. The test programs catch what it throws by
// the base class, as a host catches what its plug-ins raise.
//
// Everything here is exported from the plug-in module; objects it allocates
// are deleted through their virtual destructors, which run in the module.
// Single-threaded use only.
#ifndef VO_TOOLS_TESTS_MODULE_PLUGIN_PLUGIN_FAILURE_H_
#define VO_TOOLS_TESTS_MODULE_PLUGIN_PLUGIN_FAILURE_H_

#include <cstddef>

#include "vo_tools/base_exception.h"
#include "vo_tools/wakeup.h"

#if defined(_WIN32)
#if defined(VO_TOOLS_PLUGIN_BUILDING)
#define VO_TOOLS_PLUGIN_API __declspec(dllexport)
#else
#define VO_TOOLS_PLUGIN_API __declspec(dllimport)
#endif
#else
#define VO_TOOLS_PLUGIN_API __attribute__((visibility("default")))
#endif

// The plug-in's own exception: its text is "plug-in failure <code>".
class VO_TOOLS_PLUGIN_API PluginFailure : public CKaBaseException {
 public:
  explicit PluginFailure(int code);
  PluginFailure(const PluginFailure& other);
  ~PluginFailure() override;
  PluginFailure& operator=(const PluginFailure& other);

  int code() const { return code_; }

 protected:
  char* GetMessageText() override;

 private:
  int code_;
  char text_[32];
};

// Throws PluginFailure(code) from inside the plug-in module.
[[noreturn]] VO_TOOLS_PLUGIN_API void ThrowPluginFailure(int code);

// Allocates `size` bytes with the plug-in's operator new and frees them, so
// that a refusal raises the plug-in's std::bad_alloc in its caller.
VO_TOOLS_PLUGIN_API void AllocateInPlugin(std::size_t size);

// A wakable of the plug-in whose timer callbacks count themselves and throw
// PluginFailure(code), so that the exception starts in the plug-in, unwinds
// through the library's OnWakeup, and ends wherever the tick came from.
class VO_TOOLS_PLUGIN_API ThrowingWakable : public KaWakable {
 public:
  explicit ThrowingWakable(int code);
  ~ThrowingWakable() override;

  void OnPeriodicTimer(KaRequestId request_id) override;
  void OnSingleTimer(KaRequestId request_id) override;

  int calls() const { return calls_; }

 private:
  int code_;
  int calls_ = 0;
};

#endif  // VO_TOOLS_TESTS_MODULE_PLUGIN_PLUGIN_FAILURE_H_

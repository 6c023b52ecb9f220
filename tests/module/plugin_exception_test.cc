// Exceptions that a second module throws and this program catches: a
// caller's CKaBaseException-derived class must arrive whole, be caught by its
// base, and leave the C++ runtime's bookkeeping as a local throw would. On
// 32-bit MinGW this holds only when every module of the process shares one
// unwinder and one C++ runtime (see docs/windows.md).
#include <gtest/gtest.h>

#include <exception>
#include <string>

#include "plugin/plugin_failure.h"
#include "vo_tools/base_exception.h"

namespace {

TEST(PluginException, IsCaughtByTheBaseWithThePluginsText) {
  try {
    ThrowPluginFailure(7);
  } catch (CKaBaseException& caught) {
    // The text comes from the plug-in's override, through the library's
    // operator*.
    EXPECT_EQ(std::string(*caught), "plug-in failure 7");
    return;
  }
  FAIL() << "the plug-in's exception was not caught by its base";
}

TEST(PluginException, IsCaughtByItsOwnTypeAndKeepsItsState) {
  try {
    ThrowPluginFailure(42);
  } catch (const PluginFailure& caught) {
    EXPECT_EQ(caught.code(), 42);
    return;
  } catch (...) {
    FAIL() << "caught, but not as the plug-in's own type";
  }
  FAIL() << "nothing was thrown";
}

// The runtime counts exceptions thrown and not yet caught. A module with a
// C++ runtime of its own counts the throw in its copy, while the catch here
// counts down in this program's copy, which is left off by one for good (and
// ostream sentries, for one, stop flushing).
TEST(PluginException, LeavesNoUncaughtExceptionBehind) {
  EXPECT_EQ(std::uncaught_exceptions(), 0);
  for (int round = 0; round < 3; ++round) {
    try {
      ThrowPluginFailure(round);
    } catch (CKaBaseException&) {
      EXPECT_EQ(std::uncaught_exceptions(), 0) << "inside the handler, round " << round;
    }
    EXPECT_EQ(std::uncaught_exceptions(), 0) << "after the handler, round " << round;
  }
}

TEST(PluginException, SurvivesARethrowAndACapture) {
  std::exception_ptr captured;
  try {
    try {
      ThrowPluginFailure(3);
    } catch (CKaBaseException&) {
      throw;  // the same object, on to the outer handler
    }
  } catch (...) {
    captured = std::current_exception();
  }
  ASSERT_TRUE(captured);
  try {
    std::rethrow_exception(captured);
  } catch (CKaBaseException& caught) {
    EXPECT_EQ(std::string(*caught), "plug-in failure 3");
    return;
  }
  FAIL() << "the captured exception was lost";
}

// Unwinding out of the plug-in runs this program's destructors on the way.
TEST(PluginException, RunsTheCallersDestructorsWhileUnwinding) {
  struct Guard {
    bool* ran;
    ~Guard() { *ran = true; }
  };
  bool ran = false;
  try {
    Guard guard{&ran};
    ThrowPluginFailure(1);
  } catch (CKaBaseException&) {
    EXPECT_TRUE(ran);
    return;
  }
  FAIL() << "nothing was caught";
}

}  // namespace

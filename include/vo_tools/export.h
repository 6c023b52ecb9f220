// VO_TOOLS_API marks every name the vo_tools2 shared library exports.
//
// The library is built with symbols hidden by default; only declarations
// carrying this macro are visible to clients. The build of the library
// defines VO_TOOLS_BUILDING; clients define nothing, except programs that
// link the library's objects statically (its own white-box tests), which
// define VO_TOOLS_STATIC.
#ifndef VO_TOOLS_EXPORT_H_
#define VO_TOOLS_EXPORT_H_

#if defined(_WIN32)
#if defined(VO_TOOLS_STATIC)
#define VO_TOOLS_API
#elif defined(VO_TOOLS_BUILDING)
#define VO_TOOLS_API __declspec(dllexport)
#else
#define VO_TOOLS_API __declspec(dllimport)
#endif
#else
#define VO_TOOLS_API __attribute__((visibility("default")))
#endif

#endif  // VO_TOOLS_EXPORT_H_

// The library's path encoding on Windows (UTF-8) turned into the wide
// characters of Windows' file calls and back, and the callers' text (the
// ANSI code page) into it. Any thread; nothing throws but std::string's
// allocation. Bytes that are not valid in their encoding become what the
// system substitutes for them.
#ifndef VO_TOOLS_PLATFORM_WIDE_TEXT_WINDOWS_H_
#define VO_TOOLS_PLATFORM_WIDE_TEXT_WINDOWS_H_

#include <cstddef>
#include <string>

namespace vo_tools::platform {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const wchar_t* wide, std::size_t size);
std::string Utf8FromAnsi(const char* ansi);

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_WIDE_TEXT_WINDOWS_H_

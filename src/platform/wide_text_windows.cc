#include "wide_text_windows.h"

#include <windows.h>

namespace vo_tools::platform {
namespace {

std::wstring WideFrom(UINT code_page, const char* text, std::size_t size) {
  if (size == 0) return std::wstring();
  const int length = MultiByteToWideChar(code_page, 0, text, static_cast<int>(size), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(code_page, 0, text, static_cast<int>(size), wide.data(), length);
  }
  return wide;
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  return WideFrom(CP_UTF8, utf8.data(), utf8.size());
}

std::string Utf8(const wchar_t* wide, std::size_t size) {
  if (size == 0) return std::string();
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(size), text.data(), length, nullptr,
                        nullptr);
  }
  return text;
}

std::string Utf8FromAnsi(const char* ansi) {
  const std::wstring wide = WideFrom(CP_ACP, ansi, std::char_traits<char>::length(ansi));
  return Utf8(wide.data(), wide.size());
}

}  // namespace vo_tools::platform

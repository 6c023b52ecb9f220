// platform::UseBinaryStandardStreams: makes standard input and output carry
// bytes unchanged. Windows opens them in text mode, where CR LF is read as a
// line feed, a line feed is written as CR LF and a Ctrl-Z ends the input; a
// program that passes bytes through must switch that off before it reads or
// writes. Call it once, first thing in main; it cannot fail.
#ifndef VO_TOOLS_PLATFORM_BINARY_STDIO_H_
#define VO_TOOLS_PLATFORM_BINARY_STDIO_H_

namespace vo_tools::platform {

void UseBinaryStandardStreams();

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_BINARY_STDIO_H_

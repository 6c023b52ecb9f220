#include "record.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/local_time.h"

namespace quill_log {
namespace {

// The context is cut to this, so that the head fits its buffer.
constexpr std::size_t kMaxContext = 64;
constexpr std::size_t kMaxCreationText = 256;

// "YYYY-MM-DD HH:MM:SS." of the last second this thread stamped.
struct ThreadClock {
  std::time_t second;
  char text[80];
};

thread_local ThreadClock t_clock;

// Appends the time of the call, to the millisecond; 24 bytes.
char* Stamp(char* out) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  const std::time_t second = static_cast<std::time_t>(ms / 1000);
  ThreadClock& clock = t_clock;
  if (clock.second != second || clock.text[0] == '\0') {
    std::tm local;
    if (!vo_tools::platform::LocalTime(second, &local)) local = std::tm{};
    std::snprintf(clock.text, sizeof clock.text, "%04d-%02d-%02d %02d:%02d:%02d.",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec);
    clock.second = second;
  }
  std::memcpy(out, clock.text, 20);
  const int milli = static_cast<int>(ms % 1000);
  out[20] = static_cast<char>('0' + milli / 100);
  out[21] = static_cast<char>('0' + milli / 10 % 10);
  out[22] = static_cast<char>('0' + milli % 10);
  out[23] = ' ';
  return out + 24;
}

// The library's levels: VO_LOG_ERROR is 0, VO_LOG_INFO 1, VO_LOG_WARNING 3,
// and every other level 2; any other as "LEVEL<n>".
char* AddLevel(int service_level, char* out) {
  static const char* const kNames[] = {"ERROR", "INFO", "OTHER", "WARNING"};
  if (service_level < 0 || service_level > 3) {
    return out + std::snprintf(out, 20, "LEVEL%d", service_level);
  }
  const std::size_t size = std::strlen(kNames[service_level]);
  std::memcpy(out, kNames[service_level], size);
  return out + size;
}

// `text` (null: "-"), at most `max` bytes, a control character as '?': a
// record stays one line whatever the caller passes.
char* Printable(const char* text, std::size_t max, char* out) {
  if (text == nullptr) text = "-";
  for (std::size_t i = 0; i < max && text[i] != '\0'; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    *out++ = c < 0x20 || c == 0x7F ? '?' : text[i];
  }
  return out;
}

// "#<number>": by hand, since snprintf would cost as much as the rest of
// the head.
char* AddNumber(int number, char* out) {
  *out++ = '#';
  long long magnitude = number;
  if (magnitude < 0) {
    *out++ = '-';
    magnitude = -magnitude;
  }
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0);
  while (count > 0) *out++ = digits[--count];
  return out;
}

char* Add(const char* text, char* out) {
  const std::size_t size = std::strlen(text);
  std::memcpy(out, text, size);
  return out + size;
}

}  // namespace

RecordHead::RecordHead(int service_level, const char* context, int number) {
  char* out = Stamp(text_);
  out = AddLevel(service_level, out);
  *out++ = ' ';
  out = Printable(context, kMaxContext, out);
  out = AddNumber(number, out);
  out = Add(" | ", out);
  size_ = static_cast<std::size_t>(out - text_);
}

std::string SetUpRecord(int service_level, const char* creation_text) {
  char head[32];
  std::string record(head, Stamp(head));
  record += "SETUP | level ";
  char level[20];
  record.append(level, AddLevel(service_level, level));
  record += ", creation text \"";
  char text[kMaxCreationText];
  record.append(text,
                Printable(creation_text == nullptr ? "" : creation_text, kMaxCreationText, text));
  record += "\"\n";
  return record;
}

}  // namespace quill_log

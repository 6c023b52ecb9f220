#include "convert.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "output.h"
#include "text/qp_codec.h"

namespace vo_tools_cli {
namespace {

// Why `path` could not be opened or read. Windows refuses to open a
// directory as "permission denied"; the directory is the reason a user
// needs, on every platform.
std::string Reason(const std::string& path, int error) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) error = EISDIR;
  return std::strerror(error);
}

// Reads the whole stream; on a read error, false with its errno in `error`.
bool ReadAll(std::FILE* stream, std::string* contents, int* error) {
  char chunk[1 << 16];
  std::size_t got;
  errno = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) contents->append(chunk, got);
  *error = errno;
  return std::ferror(stream) == 0;
}

// The input of a conversion: the named file, or standard input.
bool ReadInput(const Operands& operands, std::string* contents, std::string* message) {
  int error = 0;
  if (operands.empty() || operands[0] == "-") {
    if (ReadAll(stdin, contents, &error)) return true;
    *message = std::string("cannot read standard input: ") + std::strerror(error);
    return false;
  }
  const std::string& path = operands[0];
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *message = "cannot open " + path + ": " + Reason(path, errno);
    return false;
  }
  const bool read = ReadAll(file, contents, &error);
  std::fclose(file);
  if (!read) *message = "cannot read " + path + ": " + Reason(path, error);
  return read;
}

int Convert(bool encode, const Operands& operands) {
  std::string input;
  std::string message;
  if (!ReadInput(operands, &input, &message)) return Fail(message);
  const std::size_t zero = input.find('\0');
  if (zero != std::string::npos) {
    return Fail("the input holds a zero byte at offset " + std::to_string(zero) +
                "; the codec takes text without zero bytes");
  }
  namespace qp = vo_tools::qp;
  const std::size_t length = encode ? qp::EncodedLength(input.data(), input.size())
                                    : qp::DecodedLength(input.data(), input.size());
  if (length == qp::kLengthOverflow) return Fail("the input is too long to encode");
  std::string output(length, '\0');
  if (encode) {
    qp::Encode(input.data(), input.size(), output.data());
  } else {
    qp::Decode(input.data(), input.size(), output.data());
  }
  return Written(output);
}

int Encode(const Operands& operands) {
  return Convert(true, operands);
}

int Decode(const Operands& operands) {
  return Convert(false, operands);
}

#define VO_TOOLS_INPUT_NOTE                                                       \
  "Reads FILE, or standard input when FILE is \"-\" or missing, and writes the\n" \
  "result to standard output. The input must not hold a zero byte.\n"

constexpr char kInputNote[] = VO_TOOLS_INPUT_NOTE;

// Not MIME's quoted-printable: "=" and the two characters after it are
// always one byte, so a soft line break is not taken out.
constexpr char kDecodeNote[] = VO_TOOLS_INPUT_NOTE
    "\"=\" and the two characters after it always make one byte, a character that\n"
    "is no hexadecimal digit counting as 0: a trailing \"=\" and line feed (a MIME\n"
    "soft line break) become one zero byte, and \"=\" before a line feed swallows\n"
    "the next line's first character.\n";

}  // namespace

const Command kEncodeCommand = {
    "qp-encode", "[FILE]", "escape bytes of 0x80 and above and \"=\" as \"=XY\"",
    kInputNote,  {"FILE"}, 0b11u,
    Encode};

const Command kDecodeCommand = {"qp-decode", "[FILE]", "turn \"=XY\" escapes back into bytes",
                                kDecodeNote, {"FILE"}, 0b11u,
                                Decode};

}  // namespace vo_tools_cli

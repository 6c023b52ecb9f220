// vo-tools: the library's text utilities from the command line.
//
//   vo-tools qp-encode [FILE]      escape bytes of 0x80 and above and "="
//   vo-tools qp-decode [FILE]      undo the escapes
//   vo-tools service-names SUFFIX  print the proxy's two service names
//
// The conversions read FILE, or standard input without one, and write the
// result whole to standard output: a decoded result may hold zero bytes, so
// the tool takes the codec's core, which reports lengths, rather than the
// exported functions, which end their results with a zero byte.
//
// Exit status: 0 done; 1 when the input could not be read, standard output
// could not be written (a full disk, say) or memory ran out, each with a
// message on standard error; 2 for a bad command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <vo_tools/service_names.h>

#include "platform/binary_stdio.h"
#include "text/qp_codec.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr char kUsageText[] =
    "usage: vo-tools COMMAND [ARGUMENT]\n"
    "  qp-encode [FILE]      escape bytes of 0x80 and above and \"=\" as \"=XY\"\n"
    "  qp-decode [FILE]      turn \"=XY\" escapes back into bytes\n"
    "  service-names SUFFIX  print the proxy's request and response service names\n"
    "  --help                print this text\n"
    "The conversions read FILE, or standard input without one, and write the\n"
    "result to standard output. Their input must not hold a zero byte.\n"
    "Exit status: 0 done, 1 the input, the output or memory failed, 2 usage.\n";

int Usage(std::FILE* stream) {
  std::fputs(kUsageText, stream);
  return kUsage;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "vo-tools: %s\n", message.c_str());
  return kFailed;
}

// Reads the whole stream; false on a read error.
bool ReadAll(std::FILE* stream, std::string* contents) {
  char chunk[1 << 16];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) contents->append(chunk, got);
  return std::ferror(stream) == 0;
}

// The input of a conversion: the named file, or standard input.
bool ReadInput(const char* path, std::string* contents, std::string* error) {
  if (path == nullptr) {
    if (ReadAll(stdin, contents)) return true;
    *error = "cannot read standard input";
    return false;
  }
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    *error = std::string("cannot open ") + path + ": " + std::strerror(errno);
    return false;
  }
  const bool read = ReadAll(file, contents);
  std::fclose(file);
  if (!read) *error = std::string("cannot read ") + path;
  return read;
}

bool WriteAll(const std::string& output) {
  return std::fwrite(output.data(), 1, output.size(), stdout) == output.size() &&
         std::fflush(stdout) == 0;
}

int Written(const std::string& output) {
  return WriteAll(output) ? kDone : Fail("cannot write standard output");
}

// The library's conversions take zero-terminated text, so input with a zero
// byte has no meaning for them: refuse it rather than convert half of it.
int Convert(bool encode, const char* path) {
  std::string input;
  std::string error;
  if (!ReadInput(path, &input, &error)) return Fail(error);
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

int PrintServiceNames(const char* suffix) {
  const std::size_t size = std::strlen(suffix) + 24;  // the longer prefix, 23, and the zero
  std::vector<char> requests(size);
  std::vector<char> responses(size);
  VoProxy_CreateServiceNames(suffix, requests.data(), responses.data());
  const std::string output =
      std::string(requests.data()) + "\n" + std::string(responses.data()) + "\n";
  return Written(output);
}

int Run(int argc, char** argv) {
  if (argc < 2) return Usage(stderr);
  const std::string command = argv[1];
  const int arguments = argc - 2;
  if (command == "--help" || command == "-h") return Written(kUsageText);  // not a usage error
  if ((command == "qp-encode" || command == "qp-decode") && arguments <= 1) {
    return Convert(command == "qp-encode", arguments == 1 ? argv[2] : nullptr);
  }
  if (command == "service-names" && arguments == 1) return PrintServiceNames(argv[2]);
  std::fprintf(stderr, "vo-tools: unknown command or wrong arguments: %s\n", command.c_str());
  return Usage(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  vo_tools::platform::UseBinaryStandardStreams();
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    // Unwinding has let go of the large buffers; still, nothing allocates here.
    std::fputs("vo-tools: out of memory\n", stderr);
    return kFailed;
  } catch (const std::length_error&) {
    std::fputs("vo-tools: out of memory: the input is too long\n", stderr);
    return kFailed;
  }
}

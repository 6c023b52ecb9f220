#include "options.h"

#include <cstring>

namespace vo_demo {
namespace {

// "--name=value" or "--name value": true when `argv[*i]` is option `name`;
// then `value` receives its value (and *i moves past a separate one), or
// `error` says that it has none. `what` names the value in that message.
bool TakeValued(const char* name, const char* what, bool may_be_empty, int argc,
                const char* const* argv, int* i, std::string* value, std::string* error) {
  const char* arg = argv[*i];
  const std::size_t length = std::strlen(name);
  if (std::strncmp(arg, name, length) != 0) return false;
  if (arg[length] == '=') {
    *value = arg + length + 1;
  } else if (arg[length] != '\0') {
    return false;  // a longer name that merely starts with this one
  } else if (*i + 1 < argc) {
    *value = argv[++*i];
  } else {
    *error = std::string(name) + " needs " + what;
    return true;
  }
  if (value->empty() && !may_be_empty) *error = std::string(name) + " needs " + what;
  return true;
}

}  // namespace

ParsedOptions ParseDemoOptions(int argc, const char* const* argv) {
  ParsedOptions parsed;
  for (int i = 1; i < argc && parsed.error.empty(); ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      parsed.options.help = true;
    } else if (arg == "--keep-logs") {
      parsed.options.keep_logs = true;
    } else if (TakeValued("--log-dir", "a directory", false, argc, argv, &i,
                          &parsed.options.log_dir, &parsed.error) ||
               TakeValued("--suffix", "a text (an empty one is --suffix=)", true, argc, argv, &i,
                          &parsed.options.suffix, &parsed.error)) {
      // taken, or parsed.error says why not
    } else if (arg.size() > 1 && arg[0] == '-') {
      parsed.error = "unknown option '" + arg + "'";
    } else {
      parsed.error = "unexpected argument '" + arg + "'";
    }
  }
  return parsed;
}

std::string DemoUsage() {
  return "usage: vo-demo [--log-dir DIR] [--keep-logs] [--suffix TEXT]\n"
         "\n"
         "Runs every service of the vo_tools2 library once, in about three seconds:\n"
         "plug-in wakables on periodic and one-shot timers of the host timer service,\n"
         "known to each other by handles; log lines to a main and a brief log; a\n"
         "quoted-printable round trip; and the proxy's service names. It prints what\n"
         "happened and where the logs are.\n"
         "\n"
         "  --log-dir DIR   write the logs into DIR, created if missing, and keep them\n"
         "                  (default: a new directory vo-demo-XXXXXXXX in the temporary\n"
         "                  directory, removed at the end)\n"
         "  --keep-logs     keep that new directory and say where it is\n"
         "  --suffix TEXT   the suffix of the proxy's service names (default: _demo)\n"
         "  -h, --help      print this text and exit\n"
         "\n"
         "Exit status: 0 when everything behaved as expected, 1 when a check failed,\n"
         "the log directory could not be made or the output could not be written, 2 for\n"
         "a bad command line.\n";
}

}  // namespace vo_demo

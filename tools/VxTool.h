// vxtool: the authoring command line. Each command lives in its own file and
// registers itself with a static VxCommand object. `vxtool --help` lists the
// commands; `vxtool COMMAND --help` (or -h) shows one command's usage before
// the command sees its arguments.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vantel::vxtool {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);  // returns the exit status

struct VxCommand {
  VxCommand(const char* name, const char* usage, CommandFn fn);
};

// Prints "vxtool: message" to standard error and returns 1.
int Fail(const std::string& message);

// A wrong command line (a missing argument, an unknown option, a value that
// is not a number): vxtool prints the message and the command's usage to
// standard error and ends with status 2, apart from status 1 for failures.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] inline void BadUsage(const std::string& message) {
  throw UsageError(message);
}
// For commands that take no options: an argument starting with "--" is one.
inline void RejectOptions(const Args& args) {
  for (const std::string& a : args)
    if (a.rfind("--", 0) == 0) BadUsage("unknown option " + a);
}

}  // namespace vantel::vxtool

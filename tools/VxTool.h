// vxtool: the authoring command line. Each command lives in its own file and
// registers itself with a static VxCommand object.
#pragma once

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

}  // namespace vantel::vxtool

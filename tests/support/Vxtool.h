// Runs the vxtool binary built with the tests (VANTEL_VXTOOL) and gives its
// exit status, or -1 when it did not exit normally.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "TestPaths.h"

namespace vantel::testing {

// `vxtool ARGS`, its standard output and error going to the files named.
inline int RunVxtool(const std::string& args, const std::string& outPath = "/dev/null",
                     const std::string& errPath = "/dev/null") {
  const std::string cmd =
      std::string(VANTEL_VXTOOL) + " " + args + " >'" + outPath + "' 2>'" + errPath + "'";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vantel::testing

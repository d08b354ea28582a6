// The player's command line, read by a pure function so that every corner
// of it (missing values, unknown options, "--") is tested without a window.
//
//   vantel [OPTION]... [SECOND-DATA-DIR]
//
// Options are listed once, in CommandLine.cpp's table, which also makes the
// --help text: adding an option is adding one line there (and a field here).
// An option's value is the next argument, or follows '=' (--root=DIR). When
// an option is given twice, the last one counts. After "--" every argument
// is a plain argument, so a data directory may start with '-'. The first
// plain argument is the second data directory, exactly as given; further
// plain arguments are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantel {

struct CommandLine {
  std::string root;           // --root DIR; empty: the executable's directory
  std::string secondDataDir;  // the first plain argument, exactly as given
  int scale = 0;              // --scale N (1..8); 0: the largest that fits the desktop
  uint32_t quitAfterMs = 0;   // --quit-after-ms N; 0: run until closed
  std::string screenshot;     // --screenshot FILE, made absolute; empty: none
  bool help = false;          // --help / -h: print Usage() to standard output, exit 0
  bool version = false;       // --version: print VersionLine(), exit 0
  // Not empty when the command line is wrong: print it and Usage() to
  // standard error and exit with status 2. The other fields are then
  // whatever was read before the fault.
  std::string error;
};

// Reads the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
CommandLine ParseCommandLine(int argc, const char* const* argv);  // skips argv[0]

// The --help text: the synopsis and one line per option.
std::string Usage();

// The version from the build ("0.1.0").
const char* VantelVersion();
// "vantel 0.1.0", the --version line.
std::string VersionLine(const std::string& program = "vantel");

}  // namespace vantel

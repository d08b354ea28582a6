#include "tools/VxTool.h"

#include <cstdio>
#include <exception>
#include <map>

#include "shell/CommandLine.h"

namespace vantel::vxtool {
namespace {

struct Entry {
  const char* usage;
  CommandFn fn;
};

std::map<std::string, Entry>& Commands() {
  static std::map<std::string, Entry> commands;
  return commands;
}

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: vxtool COMMAND [ARGUMENTS]   (vxtool COMMAND --help for one command)\n");
  for (const auto& [name, e] : Commands())
    std::fprintf(out, "  vxtool %s %s\n", name.c_str(), e.usage);
  std::fprintf(out, "  vxtool --help | --version\n");
}

int Usage() {
  PrintUsage(stderr);
  return 2;
}

bool AsksForHelp(const Args& args) {
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

// Standard output failing (a full disk, a closed pipe) is a failure too.
int Flushed() {
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

VxCommand::VxCommand(const char* name, const char* usage, CommandFn fn) {
  Commands()[name] = {usage, fn};
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "vxtool: %s\n", message.c_str());
  return 1;
}

}  // namespace vantel::vxtool

int main(int argc, char** argv) {
  using namespace vantel::vxtool;
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") {
    PrintUsage(stdout);
    return Flushed();
  }
  if (command == "--version") {
    std::printf("%s\n", vantel::VersionLine("vxtool").c_str());
    return Flushed();
  }
  auto it = Commands().find(command);
  if (it == Commands().end()) {
    std::fprintf(stderr, "vxtool: unknown command '%s'\n", command.c_str());
    return Usage();
  }
  const Args args(argv + 2, argv + argc);
  if (AsksForHelp(args)) {
    std::printf("usage: vxtool %s %s\n", command.c_str(), it->second.usage);
    return Flushed();
  }
  try {
    return it->second.fn(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "vxtool %s: %s\nusage: vxtool %s %s\n", command.c_str(), e.what(),
                 command.c_str(), it->second.usage);
    return 2;
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}

#include "tools/VxTool.h"

#include <cstdio>
#include <exception>
#include <map>

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

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const auto& [name, e] : Commands())
    std::fprintf(stderr, "  vxtool %s %s\n", name.c_str(), e.usage);
  return 2;
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
  auto it = Commands().find(argv[1]);
  if (it == Commands().end()) return Usage();
  Args args(argv + 2, argv + argc);
  try {
    return it->second.fn(args);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}

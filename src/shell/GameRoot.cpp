#include "shell/GameRoot.h"

#include <filesystem>
#include <system_error>

#include "base/Paths.h"

// The build passes the installed demo's place relative to the programs'
// directory; this is the `cmake --install` layout's.
#ifndef VANTEL_INSTALLED_DEMO
#define VANTEL_INSTALLED_DEMO "../share/vantel/demo"
#endif

namespace vantel {

GameRoot FindGameRoot(const std::string& root, const std::string& exeDir) {
  return FindGameRoot(root, exeDir, VANTEL_INSTALLED_DEMO);
}

GameRoot FindGameRoot(const std::string& root, const std::string& exeDir,
                      const std::string& installedDemo) {
  // Normalised, so that the save folder's name (the game directory's own
  // name) and every message show the demo's real path.
  std::string demo;
  if (!exeDir.empty() && !installedDemo.empty())
    demo = WithTrailingSlash(
        (std::filesystem::path(exeDir) / installedDemo).lexically_normal().string());
  if (!root.empty()) {
    std::error_code ec;  // no such folder: not the demo
    return {root, !demo.empty() && std::filesystem::equivalent(root, demo, ec)};
  }
  if (demo.empty() || FileExists(exeDir + "script.chs") || !FileExists(demo + "script.chs"))
    return {exeDir, false};
  return {demo, true};
}

}  // namespace vantel

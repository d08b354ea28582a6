#include "shell/GameRoot.h"

#include <filesystem>

#include "base/Paths.h"

// The build passes the installed demo's place relative to the programs'
// directory; this is the `cmake --install` layout's.
#ifndef VANTEL_INSTALLED_DEMO
#define VANTEL_INSTALLED_DEMO "../share/vantel/demo"
#endif

namespace vantel {

std::string DefaultGameRoot(const std::string& exeDir) {
  return DefaultGameRoot(exeDir, VANTEL_INSTALLED_DEMO);
}

std::string DefaultGameRoot(const std::string& exeDir, const std::string& installedDemo) {
  if (exeDir.empty() || installedDemo.empty() || FileExists(exeDir + "script.chs")) return exeDir;
  // Normalised, so that the save folder's name (the game directory's own
  // name) and every message show the demo's real path.
  const std::string demo = WithTrailingSlash(
      (std::filesystem::path(exeDir) / installedDemo).lexically_normal().string());
  return FileExists(demo + "script.chs") ? demo : exeDir;
}

}  // namespace vantel

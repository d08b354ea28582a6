// Which game the player plays, and whether it is the demo installed with it.
//
// Without --root, a game beside the program (its script archive there) comes
// first, as it always has. Otherwise an installed player plays the demo story
// installed with it: the build names where that lies relative to the
// program's own directory (../share/games/vantel/demo in the Debian packages,
// ../share/vantel/demo for `cmake --install`), so an installed tree still
// finds it after being moved. When neither holds a game, the program's
// directory is kept and the start reports the missing data as before.
// The installed demo, found so or named by --root, keeps its saves in the
// reader's data folder (Tglobal). Depends on base/Paths only; never fails.
#pragma once

#include <string>

namespace vantel {

struct GameRoot {
  std::string dir;         // the game directory; found ones end with '/'
  bool installed = false;  // the demo installed with the program
};

// `root` is --root's value (empty: not given); `exeDir` ends with '/'.
GameRoot FindGameRoot(const std::string& root, const std::string& exeDir);
// The same with the installed demo's place given relative to `exeDir`.
GameRoot FindGameRoot(const std::string& root, const std::string& exeDir,
                      const std::string& installedDemo);

}  // namespace vantel

// Which game the player plays when no --root is given.
//
// A game beside the program (its script archive there) comes first, as it
// always has. Otherwise an installed player plays the demo story installed
// with it: the build names where that lies relative to the program's own
// directory (../share/games/vantel/demo in the Debian packages,
// ../share/vantel/demo for `cmake --install`), so an installed tree still
// finds it after being moved. When neither holds a game, the program's
// directory is kept and the start reports the missing data as before.
// Depends on base/Paths only; never fails.
#pragma once

#include <string>

namespace vantel {

// `exeDir` ends with '/'; so does the result.
std::string DefaultGameRoot(const std::string& exeDir);
// The same with the installed demo's place given relative to `exeDir`.
std::string DefaultGameRoot(const std::string& exeDir, const std::string& installedDemo);

}  // namespace vantel

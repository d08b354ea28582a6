#include "shell/GameRoot.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace vantel {
namespace {

TEST(GameRoot, GameBesideTheProgramComesFirstThenTheInstalledDemo) {
  testing::TempDir t;
  const std::string bin = t / "usr/games/";
  const std::string rel = "../share/games/vantel/demo";
  t.Write("usr/games/vantel", "");

  // Nothing anywhere: the program's directory, which then reports missing data.
  EXPECT_EQ(DefaultGameRoot(bin, rel), bin);

  // The installed demo, normalised (its folder name names the save folder).
  t.Write("usr/share/games/vantel/demo/script.chs", "x");
  EXPECT_EQ(DefaultGameRoot(bin, rel), t / "usr/share/games/vantel/demo/");

  // A game beside the program wins, in any case of its archive's name.
  t.Write("usr/games/SCRIPT.CHS", "x");
  EXPECT_EQ(DefaultGameRoot(bin, rel), bin);
}

}  // namespace
}  // namespace vantel

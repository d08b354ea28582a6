#include "shell/GameRoot.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace vantel {
namespace {

TEST(GameRoot, GameBesideTheProgramComesFirstThenTheInstalledDemo) {
  testing::TempDir t;
  const std::string bin = t / "usr/games/";
  const std::string rel = "../share/games/vantel/demo";
  const std::string demo = t / "usr/share/games/vantel/demo/";
  t.Write("usr/games/vantel", "");

  // Nothing anywhere: the program's directory, which then reports missing data.
  GameRoot r = FindGameRoot("", bin, rel);
  EXPECT_EQ(r.dir, bin);
  EXPECT_FALSE(r.installed);

  // The installed demo, normalised (its folder's name names the save folder).
  t.Write("usr/share/games/vantel/demo/script.chs", "x");
  r = FindGameRoot("", bin, rel);
  EXPECT_EQ(r.dir, demo);
  EXPECT_TRUE(r.installed);
  // Named by --root in another spelling, it is still the installed demo.
  r = FindGameRoot(t / "usr/share/games/vantel/../vantel/demo", bin, rel);
  EXPECT_EQ(r.dir, t / "usr/share/games/vantel/../vantel/demo");
  EXPECT_TRUE(r.installed);
  EXPECT_FALSE(FindGameRoot(t / "usr/share/games", bin, rel).installed);
  EXPECT_FALSE(FindGameRoot(t / "missing", bin, rel).installed);

  // A game beside the program wins, in any case of its archive's name.
  t.Write("usr/games/SCRIPT.CHS", "x");
  r = FindGameRoot("", bin, rel);
  EXPECT_EQ(r.dir, bin);
  EXPECT_FALSE(r.installed);
}

}  // namespace
}  // namespace vantel

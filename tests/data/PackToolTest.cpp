// The archive commands of vxtool, run as a program.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/Paths.h"
#include "data/ClassArchive.h"
#include "support/ByteFixtures.h"
#include "support/TempDir.h"
#include "support/Vxtool.h"

namespace vantel {
namespace {

int RunVxTool(const std::string& args, const testing::TempDir& dir) {
  return testing::RunVxtool(args, dir / "out.txt", dir / "err.txt");
}

}  // namespace

TEST(PackTool, PackUnpackGivesBackTheSameFiles) {
  testing::TempDir dir;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"脚本1.vxs",
       "<P>"
       "\x8C\xE1\x94\x79"
       "\r\n<k>\r\n"},
      {"textbox.ini", "[BOX0]\r\nBOXLEFT=12\r\n"},
      {"表紙.png", testing::NoiseBytes(70000, 99)},
      {"ソ.txt", std::string("\0\1\2", 3)},
      {"empty.vxs", ""}};
  for (const auto& [name, bytes] : files) dir.Write("src/" + name, bytes);
  for (const char* archive : {"script.chs", "image.pk2"}) {
    ASSERT_EQ(RunVxTool("pack " + dir / "src " + dir / archive, dir), 0)
        << *ReadWholeFile(dir / "err.txt");
    const std::string out = dir / (std::string(archive) + ".out");
    ASSERT_EQ(RunVxTool("unpack " + dir / archive + " " + out, dir), 0)
        << *ReadWholeFile(dir / "err.txt");
    EXPECT_EQ(ListDirectory(out).size(), files.size());
    for (const auto& [name, bytes] : files)
      EXPECT_EQ(ReadWholeFile(out + "/" + name), bytes) << name;
  }
  // Script entries are packed text, picture archives hold raw bytes.
  TArchive script(dir / "script.chs");
  EXPECT_EQ(script.ReadText(Sjis("脚本1.vxs")), files[0].second);
  TArchive image(dir / "image.pk2");
  EXPECT_EQ(image.EntrySize(Sjis("脚本1.vxs")), static_cast<int64_t>(files[0].second.size()));

  ASSERT_EQ(RunVxTool("list " + dir / "image.pk2", dir), 0);
  const std::string listing = *ReadWholeFile(dir / "out.txt");
  EXPECT_NE(listing.find("表紙.png\t70000\t"), std::string::npos) << listing;
}

TEST(PackTool, NamesWithoutACodePage932FormAreRefused) {
  testing::TempDir dir;
  dir.Write("src/ok.png", "x");
  dir.Write("src/smile😀.png", "x");
  EXPECT_NE(RunVxTool("pack " + dir / "src " + dir / "image.pk2", dir), 0);
  EXPECT_NE(ReadWholeFile(dir / "err.txt")->find("smile😀.png"), std::string::npos);
  EXPECT_FALSE(FileExists(dir / "image.pk2"));
  EXPECT_NE(RunVxTool("list " + dir / "none.pk2", dir), 0);
}

// A wrong command line ends with status 2 and the usage on standard error;
// --help answers on standard output with status 0; a failed command is 1.
TEST(VxtoolCommandLine, HelpUsageFaultsAndFailuresAreTold) {
  testing::TempDir dir;
  auto out = [&] { return ReadWholeFile(dir / "out.txt").value_or(""); };
  auto err = [&] { return ReadWholeFile(dir / "err.txt").value_or(""); };
  EXPECT_EQ(RunVxTool("--help", dir), 0);
  for (const char* command : {"pack ", "unpack ", "list ", "lint ", "image ", "sound "})
    EXPECT_NE(out().find(std::string("vxtool ") + command), std::string::npos) << command;
  EXPECT_EQ(RunVxTool("--version", dir), 0);
  EXPECT_EQ(out().rfind("vxtool ", 0), 0u);
  for (const char* command : {"pack", "unpack", "list", "lint", "image", "sound"}) {
    EXPECT_EQ(RunVxTool(std::string(command) + " --help", dir), 0) << command;
    EXPECT_EQ(out().rfind(std::string("usage: vxtool ") + command + " ", 0), 0u) << out();
    EXPECT_EQ(err(), "");
  }
  for (const char* wrong :
       {"", "frobnicate", "pack onlyone", "pack a b --force", "unpack", "list a b", "lint",
        "lint a b", "lint a --images", "lint a --bogus", "image a b", "sound a b",
        "sound a b c --loops", "sound a b c --loops x", "sound a b c --bogus 1"}) {
    EXPECT_EQ(RunVxTool(wrong, dir), 2) << wrong;
    EXPECT_NE(err().find("usage: vxtool "), std::string::npos) << wrong << ": " << err();
    EXPECT_EQ(out(), "") << wrong;
  }
  EXPECT_EQ(RunVxTool("list " + dir / "missing.pk2", dir), 1);
  EXPECT_EQ(err().find("usage"), std::string::npos) << err();
}

}  // namespace vantel

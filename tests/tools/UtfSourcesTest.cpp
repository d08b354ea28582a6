// Scripts written as UTF-8: one reading for the player, pack and lint, so a
// folder that lints clean is the game the player shows.
#include <gtest/gtest.h>

#include "base/Bytes.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "base/SourceText.h"
#include "data/ClassArchive.h"
#include "script/ClassCodeRed.h"
#include "support/TempDir.h"
#include "support/Vxtool.h"

namespace vantel::testing {
namespace {

TEST(UtfSources, ConvertToCodePage932WithCrLfAndNameTheLineThatCannot) {
  EXPECT_EQ(SourceToCp932("a\nb\r\n", "x"), "a\r\nb\r\n");  // bare LF: line ends made CR LF
  EXPECT_EQ(SourceToCp932("a\r\nb", "x"), "a\r\nb");        // plain ASCII with CR LF: as it is
  EXPECT_EQ(SourceToCp932("脚本", "x"), "\x8B\x72\x96\x7B\r\n");  // the last line keeps its text
  EXPECT_EQ(SourceToCp932(Sjis("脚本\r\n"), "x"), Sjis("脚本\r\n"));  // CP932 already
  // LF CR and a lone CR are one line end each, to the loader and here alike.
  EXPECT_EQ(SourceToCp932("A\n\r<k>\n\r<x>\rB", "x"), "A\r\n<k>\r\n<x>\r\nB\r\n");
  try {
    SourceToCp932("ok\r\rsmile \xF0\x9F\x98\x80\n", "s.vxs");
    FAIL() << "a character outside code page 932 was accepted";
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find("s.vxs:3"), std::string::npos) << e.what();
  }
}

TEST(UtfSources, PlayerAndPackReadALooseUtf8ScriptAlike) {
  TempDir dir;
  const std::string source = "<bg src=a>\n今日は<k>\n\n雨\n";
  dir.Write("src/脚本1.vxs", source);
  dir.Write("src/textbox.ini", "[BOX0]\nBoxLeft=1\n");
  dir.Write("bad/脚本1.vxs", "ok\n絵文字\xF0\x9F\x98\x80<k>\n");

  // The player's loose file.
  TCodeRed loose;
  loose.ScriptArchive = nullptr;
  loose.ScriptDir = dir / "src/";
  loose.Load(Sjis("脚本1"));
  // The packed archive.
  ASSERT_EQ(RunVxtool("pack '" + (dir / "src") + "' '" + (dir / "script.chs") + "'"), 0);
  TArchive archive(dir / "script.chs");
  EXPECT_EQ(archive.ReadText(Sjis("脚本1.vxs")), Sjis("<bg src=a>\r\n今日は<k>\r\n\r\n雨\r\n"));
  EXPECT_EQ(archive.ReadText("textbox.ini"), "[BOX0]\r\nBoxLeft=1\r\n");
  TCodeRed packed;
  packed.ScriptArchive = &archive;
  packed.ScriptDir = dir / "none/";
  packed.Load(Sjis("脚本1"));
  ASSERT_GT(loose.Count(), 3);
  ASSERT_EQ(loose.Count(), packed.Count());
  for (int i = 0; i < loose.Count(); ++i) {
    EXPECT_EQ(loose[i], packed[i]) << i;
    EXPECT_EQ(loose.Tag(i), packed.Tag(i)) << i;
  }
  EXPECT_EQ(loose[1], Sjis("今日は"));

  // A character code page 932 lacks: pack fails naming the file and line,
  // and the player's reading raises the same.
  EXPECT_EQ(RunVxtool("pack '" + (dir / "bad") + "' '" + (dir / "bad.chs") + "'", "/dev/null",
                      dir / "err.txt"),
            1);
  EXPECT_NE(ReadWholeFile(dir / "err.txt").value_or("").find("脚本1.vxs:2:"), std::string::npos);
  loose.ScriptDir = dir / "bad/";
  EXPECT_THROW(loose.Load(Sjis("脚本1")), DataError);
}

}  // namespace
}  // namespace vantel::testing

#include "script/ScriptLint.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestPaths.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "data/FuncFile.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using Lines = std::vector<std::string>;

Lines Formatted(const std::vector<LintFinding>& findings) {
  Lines out;
  for (const auto& f : findings) out.push_back(FormatFinding(f));
  return out;
}

// A game directory: script.chs, image.pk2 and sound.pk2 with a few entries,
// plus loose image/ and sound/ folders.
class LintGame : public ::testing::Test {
 protected:
  void SetUp() override {
    ArchiveWriter images(ArchiveWriter::Kind::Raw);
    for (const char* name :
         {"bg01.jpg", "ev01.png", "nanami_smile.png", "fx.png", "gen_normal.png"})
      images.Add(name, "x");
    images.Write(dir_ / "image.pk2");
    dir_.Write("image/loose.jpg", "x");
    ArchiveWriter sounds(ArchiveWriter::Kind::Raw);
    for (const char* name : {"m01.wav", "wavex1.wav", "wavex2.wav", "wavex3.wav", "wavex4.wav",
                             "wavex5.wav", "stepx1.wav", "stepx3.wav"})
      sounds.Add(name, "x");
    sounds.Add(Sjis("se_02_ドア.wav"), "x");
    sounds.Write(dir_ / "sound.pk2");
    dir_.Write("sound/loose.wav", "x");
    images_ = std::make_unique<ResourceShelf>(dir_ / "image.pk2", dir_ / "image/");
    sounds_ = std::make_unique<ResourceShelf>(dir_ / "sound.pk2", dir_ / "sound/");
    lint_.Images = images_.get();
    lint_.Sounds = sounds_.get();
  }
  void Add(const char* name, const char* utf8) { lint_.AddScript(Sjis(name), Sjis(utf8)); }
  Lines Run() { return Formatted(lint_.Run()); }

  testing::TempDir dir_;
  std::unique_ptr<ResourceShelf> images_, sounds_;
  ScriptLint lint_;
};

TEST_F(LintGame, ValidScriptsGiveNoFindings) {
  Add("脚本1",
      "<! 始まり>\r\n"
      "<box type=0 color=#101828 transparent=70>\r\n"
      "<bgm src=M01 mode=fadein option=loop time=30>\r\n"
      "<background src=BG01.bmp top=0 left=0><wipe effect=Fade time=15>\r\n"
      "<background src=black><background src=#FFFFFF><layer num=1 src=fx transparent=60>\r\n"
      "<layer num=3 mode=off><layer src=loose>\r\n"
      "<bustup align=center name=Nanami face=SMILE><bustup align=align4 mode=off>\r\n"
      "<se src=WaveX mode=on option=random><se src=SE_02_ドア mode=on><se mode=fadeout>\r\n"
      "<se src=loose mode=on><bgm mode=off>\r\n"
      "「やあ」<r text=よみ>字</r><font color=red>赤</font><font color=#FFFFFF><br>次<k "
      "time=30>\r\n"
      "<font color=white>白</font>、<font color=red>赤</font> <font color=white>\r\n"
      "<font size=20>大</font>き<font color=#ffffff>\r\n"
      "\r\n"
      "<a href=\"#end\"><a href=\"脚本2.VXS#mid\"><a href=\"d:\\x\\脚本2\">\r\n"
      "<marker name=end><wait time=5><p><clear><whiteout time=3><calc><movie><starttimer>\r\n"
      "<wipe effect=noize><wipe effect=scan><wipe effect=mesh><wipe effect=fall><wipe>\r\n"
      "<scroll><end>");
  Add("脚本2", "<marker name=Mid>text<k>\r\n<a href=\"脚本1\">");
  EXPECT_EQ(Run(), Lines{});
}

TEST_F(LintGame, PlantedFaultsAreFoundWithTheirLines) {
  Add("bad",
      "<foo>{name}<k>\r\n"                                                       // 1
      "*sigh*\r\n"                                                               // 2
      "<a href=\"#Top\"><a href=\"#nowhere\"><a href=missing><a>\r\n"            // 3
      "<marker name=top><marker name=TOP><a href=other#gen>\r\n"                 // 4
      "<background src=nothere><background src=#12><layer num=9>\r\n"            // 5
      "<bustup align=Center name=a face=b><bustup align=left name=x>\r\n"        // 6
      "<bustup align=left name=nanami face=cry mode=On>\r\n"                     // 7
      "<se src=stepx mode=on option=random><se src=nope mode=on>\r\n"            // 8
      "<bgm src=m01><bgm mode=fadein><se src=m01 mode=on time=soon>\r\n"         // 9
      "<box type=x color=purple><box type=9 transparent=half>\r\n"               // 10
      "<wipe effect=noise time=fast><font color=#GG0000>x</font><k time=x>\r\n"  // 11
      "<image src=bg01\r\n"                                                      // 12
      "<r>x</r>\r\n"                                                             // 13
      "<font color=red>a</font><font color=blue>b</font>\r\n"                    // 14
      "<k>c<font color=red>d</font>\r\n");                                       // 15
  Add("other", "<bustup align=left name=gen face=normal>");
  const Lines want = {
      "bad.vxs:1: unknown command <foo>",
      "bad.vxs:1: 変数<name>は未定義．",
      "bad.vxs:2: story text \"*sigh*\" starts with '*' and is read as the command <sigh*>, "
      "which does not exist",
      "bad.vxs:3: the label \"Top\" can never match: labels are compared with lower-cased marker "
      "names, so write \"top\" (line 4)",
      "bad.vxs:3: no label \"nowhere\"; the story goes on after the jump",
      "bad.vxs:3: jump to the script \"missing\", which does not exist",
      "bad.vxs:3: a jump without href does nothing",
      "bad.vxs:4: the marker \"top\" repeats the one on line 4; jumps land on the first",
      "bad.vxs:4: the label \"gen\" lands on \"<bustup align=left name=gen face=normal>\" "
      "(line 1 in other.vxs), not on a marker",
      "bad.vxs:5: no picture \"nothere\" (looked for nothere.jpg and nothere.png)",
      "bad.vxs:5: the picture \"#12\" is a colour with bad digits",
      "bad.vxs:5: num=\"9\" names no layer (1, 2 or 3): nothing happens",
      "bad.vxs:6: align=\"Center\" names no layer (left, center, right or align4, in lower case): "
      "nothing happens",
      "bad.vxs:6: a bustup needs both name and face",
      "bad.vxs:7: mode=\"On\" is neither on nor off (in lower case): the picture is shown",
      "bad.vxs:7: no picture \"nanami_cry\" (looked for nanami_cry.jpg and nanami_cry.png)",
      "bad.vxs:8: random variants missing: stepx2, stepx4, stepx5 (a variant that is not there "
      "starts silent)",
      "bad.vxs:8: no sound nope.wav",
      "bad.vxs:9: mode=\"\" asks for nothing (on, off, fadein or fadeout)",
      "bad.vxs:9: the command names no sound",
      "bad.vxs:9: time=\"soon\" is not a whole number; 20 is used",
      "bad.vxs:10: box type \"x\" is not an integer: the story cannot set up the box",
      "bad.vxs:10: the box colour \"purple\" is neither a colour name nor #RRGGBB",
      "bad.vxs:10: box type 9 is outside 0-7",
      "bad.vxs:10: transparent=\"half\" is not a whole number; 50 is used",
      "bad.vxs:11: time=\"fast\" is not a whole number; 10 is used",
      "bad.vxs:11: the effect \"noise\" is not known (normal, fade, mesh, fall, noize, scan); a "
      "fade is used",
      "bad.vxs:11: the font colour \"#GG0000\" is neither a colour name nor #RRGGBB",
      "bad.vxs:11: time=\"x\" is not a whole number; -1 (wait for the reader) is used",
      "bad.vxs:11: </font> does not end the colour \"#GG0000\": the story text after it (line "
      "13) stays in that colour; set the colour back with <font color=white>",
      "bad.vxs:12: the tag \"<image src=bg01\" is not closed on its line",
      "bad.vxs:12: unknown command <image>",
      "bad.vxs:13: ruby without text or alt",
      "bad.vxs:14: </font> does not end the colour \"blue\": the story text after it (line 15) "
      "stays in that colour; set the colour back with <font color=white>",
      "bad.vxs:15: </font> does not end the colour \"red\", which carries on past the end of the "
      "script; set the colour back with <font color=white>",
  };
  EXPECT_EQ(Run(), want);
}

TEST_F(LintGame, RandomSoundsNeedTheirFirstVariantAndShelvesAreOptional) {
  Add("s", "<se src=waves mode=on option=random>");
  EXPECT_EQ(Run(), Lines{"s.vxs:1: no sound waves1.wav (the first of the random variants of "
                         "\"waves\")"});
  // Without shelves only the scripts themselves are checked.
  lint_.Images = lint_.Sounds = nullptr;
  Add("s", "<se src=waves mode=on option=random><background src=none><a href=#x>");
  EXPECT_EQ(Run(), Lines{"s.vxs:1: no label \"x\"; the story goes on after the jump"});
}

TEST_F(LintGame, JumpLoopsThatNeverWaitAreFound) {
  Add("ping", "<bgm src=m01 mode=on>\r\n<a href=pong>");
  Add("pong", "<! only a comment>\r\n<a href=\"ping#\">");
  Add("story", "<marker name=l>x<k><a href=#l>\r\n<marker name=m>\r\ntext\r\n<a href=#m>");
  EXPECT_EQ(Run(), (Lines{
                       "ping.vxs:2: the jump to \"pong\" loops for ever without reaching a command "
                       "the story waits for; the player ends the script there",
                       "pong.vxs:2: the jump to \"ping#\" loops for ever without reaching a "
                       "command the story waits for; the player ends the script there",
                       "pong.vxs:2: the jump to \"ping#\" passes over the first token of ping.vxs, "
                       "\"<bgm src=m01 mode=on>\"; start that script with a comment <!>",
                       "story.vxs:4: the jump to \"#m\" loops for ever without reaching a command "
                       "the story waits for; the player ends the script there",
                   }));
}

TEST_F(LintGame, RandomScriptsAreReadWithoutFailing) {
  const Bytes alphabet = "<>\"{}= \r\na#*/krbgmsxe" + Sjis("マ");
  uint32_t seed = 99;
  auto next = [&] { return (seed = seed * 1103515245 + 12345) >> 16; };
  for (int round = 0; round < 200; ++round) {
    Bytes text;
    for (size_t i = 0, n = next() % 300; i < n; ++i) text += alphabet[next() % alphabet.size()];
    lint_.AddScript("r" + std::to_string(round % 3), text);
    for (const LintFinding& f : lint_.Run()) ASSERT_GE(f.line, 1);
  }
}

TEST(LintSources, ArchivesDirectoriesAndEncodings) {
  testing::TempDir dir;
  // A game directory: script.chs plus a loose script the archive lacks; a
  // loose copy of an archived script is not read (the archive wins).
  ArchiveWriter w(ArchiveWriter::Kind::PackedText);
  w.Add(Sjis("脚本1.vxs"), Sjis("<a href=extra><k>"));
  w.Add("textbox.ini", "[BOX0]\r\n");
  MakeDirectories(dir / "game");
  w.Write(dir / "game/script.chs");
  dir.Write("game/script/Extra.VXS", "<fault>");
  dir.Write(ToUtf8(Sjis("game/script/脚本1.vxs")), "<fault>");
  ScriptLint game;
  AddScriptsFrom(game, dir / "game");
  EXPECT_EQ(game.ScriptCount(), 2u);
  EXPECT_EQ(Formatted(game.Run()),
            (Lines{"extra.vxs:1: unknown command <fault>",
                   "脚本1.vxs:1: the jump to \"extra\" passes over the first token of extra.vxs, "
                   "\"<fault>\"; start that script with a comment <!>"}));

  // A directory of loose scripts: UTF-8, CP932 and packed files.
  dir.Write("story/utf8.vxs", "「{x}」<k>");
  dir.Write("story/sjis.vxs", Sjis("「{y}」<k>"));
  WritePackedFile(dir / "story/packed.vxs", Sjis("「{z}」<k>"));
  dir.Write("story/notes.txt", "<nothing>");
  ScriptLint story;
  AddScriptsFrom(story, dir / "story");
  EXPECT_EQ(Formatted(story.Run()),
            (Lines{"packed.vxs:1: 変数<z>は未定義．", "sjis.vxs:1: 変数<y>は未定義．",
                   "utf8.vxs:1: 変数<x>は未定義．"}));

  // The script archive itself.
  ScriptLint archive;
  AddScriptsFrom(archive, dir / "game/script.chs");
  EXPECT_EQ(archive.ScriptCount(), 1u);
  EXPECT_EQ(
      Formatted(archive.Run()),
      Lines{ToUtf8(Sjis("脚本1.vxs")) + ":1: jump to the script \"extra\", which does not exist"});
  EXPECT_THROW(AddScriptsFrom(archive, dir / "none"), FileError);

  // CP932 text stays as it is, even when its pairs happen to be valid bytes;
  // UTF-8 is converted (each line ended by CR LF); plain ASCII and broken
  // UTF-8 are left alone.
  EXPECT_EQ(ScriptTextFromFile(Sjis("あい")), Sjis("あい"));
  EXPECT_EQ(ScriptTextFromFile("あい"), Sjis("あい") + "\r\n");
  EXPECT_EQ(ScriptTextFromFile("abc"), "abc");
  EXPECT_EQ(ScriptTextFromFile("\xE3\x81"), "\xE3\x81");
  EXPECT_EQ(ScriptTextFromFile("\xC0\xAF"), "\xC0\xAF");  // overlong: not UTF-8
}

// An archive of many large scripts is checked one script at a time: the
// heap never holds more than a few of their texts, however many there are.
TEST(LintSources, ManyLargeScriptsAreHeldOneAtATime) {
  testing::TempDir dir;
  Bytes text = "<marker name=m>\r\n";
  while (text.size() < (1u << 20)) text += Bytes(250, 'x') + "<k>\r\n";
  ArchiveWriter w(ArchiveWriter::Kind::PackedText);
  for (int i = 0; i < 16; ++i) w.Add("s" + std::to_string(i) + ".vxs", text + "<a href=s0>");
  w.Write(dir / "script.chs");
  text.clear();
  text.shrink_to_fit();
  auto heap = [] {
    malloc_trim(0);
    return mallinfo2().uordblks;
  };
  const size_t before = heap();
  ScriptLint lint;
  AddScriptsFrom(lint, dir / "script.chs");
  size_t peak = heap(), scripts = 0;
  lint.Run([&](std::vector<LintFinding>& findings) {
    peak = std::max(peak, heap());
    ++scripts;
    EXPECT_EQ(findings.size(), 0u);
  });
  EXPECT_EQ(scripts, 16u);
  // Sixteen texts with their tokens would be far more than 16 MiB.
  EXPECT_LT(peak - std::min(peak, before), size_t{12} << 20);
}

// The tool on a game directory: findings on standard output, exit status.
TEST(LintTool, ExitStatusTellsWhetherAnythingWasFound) {
  testing::TempDir dir;
  ArchiveWriter images(ArchiveWriter::Kind::Raw);
  images.Add("bg.jpg", "x");
  images.Write(dir / "image.pk2");
  ArchiveWriter sounds(ArchiveWriter::Kind::Raw);
  sounds.Add("m.wav", "x");
  sounds.Write(dir / "sound.pk2");
  ArchiveWriter clean(ArchiveWriter::Kind::PackedText);
  clean.Add("a.vxs", "<background src=bg><bgm src=m mode=on><k>");
  clean.Write(dir / "script.chs");
  auto run = [&](const std::string& args) {
    const std::string cmd =
        std::string(VANTEL_VXTOOL) + " lint " + args + " >" + dir.Path() + "out.txt 2>/dev/null";
    const int status = std::system(cmd.c_str());
    return std::pair(WEXITSTATUS(status), ReadWholeFile(dir / "out.txt").value_or(""));
  };
  EXPECT_EQ(run(dir.Path()), std::pair(0, std::string()));
  EXPECT_EQ(run(dir / "script.chs"), std::pair(0, std::string()));
  // Other archives or folders given explicitly.
  dir.Write("pics/other.png", "x");
  EXPECT_EQ(run(dir.Path() + " --images " + dir / "pics"),
            std::pair(1, std::string("a.vxs:1: no picture \"bg\" (looked for bg.jpg and "
                                     "bg.png)\n")));
  EXPECT_NE(run(dir.Path() + " --sounds " + dir / "missing.pk2").first, 0);
  EXPECT_NE(run("").first, 0);
}

// The bundled demo story, when this tree has it, must lint clean.
TEST(LintTool, TheDemoStoryIsClean) {
  const std::string story = std::string(VANTEL_SOURCE_DIR) + "/demo/story";
  if (!DirectoryExists(story)) GTEST_SKIP() << "no demo story in this tree";
  ScriptLint lint;
  AddScriptsFrom(lint, story);
  EXPECT_GT(lint.ScriptCount(), 0u);
  EXPECT_EQ(Formatted(lint.Run()), Lines{});
}

}  // namespace
}  // namespace vantel

#include "script/ClassCodeBlue.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "data/FuncFile.h"
#include "script/BoundedLog.h"
#include "shell/ClassGlobal.h"
#include "shell/DebugView.h"
#include "sound/ClassSoundSrc.h"
#include "sound/FuncSound.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using Fields = std::vector<Bytes>;

Fields Split(const Bytes& action) {
  TSlist l;
  l.SetText(action);
  Fields out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l[i]);
  return out;
}

// An interpreter over `source` (UTF-8 text converted to CP932).
std::unique_ptr<TCodeBlue> Script(const char* source) {
  auto c = std::make_unique<TCodeBlue>();
  c->Tokenize(Sjis(source));
  return c;
}

Fields StepOf(TCodeBlue& c) {
  return Split(c.Step());
}

// The fields of the first action of a one-line script.
Fields ActionOf(const char* source) {
  return StepOf(*Script(source));
}

Fields ErrorsOf(const TCodeBlue& c) {
  Fields out;
  for (int i = 0; i < c.Errors.Count(); ++i) out.push_back(ToUtf8(c.Errors[i]));
  return out;
}

}  // namespace

TEST(CodeBlueParse, TagsSplitIntoCommandAndAttributes) {
  TCodeBlue c;
  ASSERT_TRUE(c.ParseToken("<BG src = \"a b.jpg\" Loop>"));
  EXPECT_EQ(c.Command, "*bg");
  ASSERT_EQ(c.AttrNames.Count(), 2);
  EXPECT_EQ(c.AttrNames[0], "src");
  EXPECT_EQ(c.AttrValues[0], "a b.jpg");
  EXPECT_EQ(c.AttrNames[1], "loop");
  EXPECT_EQ(c.AttrValues[1], "");
  EXPECT_EQ(c.Attr("loop", "dflt"), "dflt");  // empty counts as absent
  EXPECT_EQ(c.Attr("SRC", "dflt"), "dflt");   // names are asked for in lower case

  // Names fold, values keep their case; '>' inside quotes stays in the value.
  ASSERT_TRUE(c.ParseToken("<A HREF=\"X>Y\" Name=Top>"));
  EXPECT_EQ(c.Command, "*a");
  EXPECT_EQ(c.Attr("href", ""), "X>Y");
  EXPECT_EQ(c.Attr("name", ""), "Top");

  // A trailing "name=" has an empty value; a quoted empty value is a value
  // and does not swallow the next attribute.
  ASSERT_TRUE(c.ParseToken("<x a=\"\" b=1 c=>"));
  EXPECT_EQ(c.Attr("a", "-"), "-");
  EXPECT_EQ(c.Attr("b", "-"), "1");
  EXPECT_EQ(c.AttrNames.Count(), 3);

  // Comments, empty tags and unterminated tags (the last byte is dropped).
  ASSERT_TRUE(c.ParseToken(Sjis("<! 海へ>")));
  EXPECT_EQ(c.Command, "*!");
  ASSERT_TRUE(c.ParseToken("<>"));
  EXPECT_EQ(c.Command, "*");
  EXPECT_EQ(c.AttrNames.Count(), 0);
  ASSERT_TRUE(c.ParseToken("<image src=abc"));
  EXPECT_EQ(c.Attr("src", ""), "ab");

  // Story text is the command itself; an empty token parses to nothing.
  ASSERT_TRUE(c.ParseToken(Sjis("海 ")));
  EXPECT_EQ(c.Command, Sjis("海 "));
  EXPECT_FALSE(c.ParseToken(""));
  EXPECT_TRUE(c.Errors.Count() == 0);
}

TEST(CodeBlueParse, ReferencesPrintTheirNameAndEachIsReported) {
  auto c = Script("\r\n{x}と{y}<k>\r\n<se src={snd}>\r\n");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1", "", Sjis("xとy")}));
  EXPECT_EQ(ErrorsOf(*c), (Fields{"2変数<x>は未定義．", "2変数<y>は未定義．"}));
  c->Step();
  EXPECT_EQ(c->Attr("src", ""), "snd");
  EXPECT_EQ(ErrorsOf(*c).back(), "3変数<snd>は未定義．");

  // '{' and '}' as trail bytes of double-byte characters (ボ is 83 7B, マ is
  // 83 7D) are no braces: the text passes untouched.
  TCodeBlue d;
  EXPECT_EQ(d.Substitute(Sjis("ボールとマ")), Sjis("ボールとマ"));
  EXPECT_EQ(d.Substitute(Sjis("マ{x}ボ")), Sjis("マxボ"));
  // A '}' before the first '{' ends the search; the reference stays.
  EXPECT_EQ(d.Substitute("}{x}"), "}{x}");
  EXPECT_EQ(d.Substitute("{}"), "");
  EXPECT_EQ(d.Errors.Count(), 2);
}

TEST(CodeBlueStep, TextAndMarkupGoToTheNextKeyOrWait) {
  auto c = Script("今日は<br><font color=red>雨</font><k>\r\n");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1", "", Sjis("今日は"), "*br", "*font,color,red",
                                Sjis("雨"), "*/font"}));
  // The tokeniser's <BR> after the line arrives as *br and waits for the next action.
  c->Tokenize(Sjis("あ<r text=\"\" alt=よみ>字</r><wait time=3>\r\n<r text=か>下<k time=x>"));
  c->Position = 0;
  EXPECT_EQ(StepOf(*c),
            (Fields{"wait", "3", "", Sjis("あ"), Sjis("*r,text,よみ"), Sjis("字"), "*/r"}));
  EXPECT_EQ(StepOf(*c), (Fields{"key", "x", "", "*br", Sjis("*r,text,か"), Sjis("下")}));
  EXPECT_EQ(c->Step(), "");

  // Any other action drops the text gathered before it in the same step.
  c = Script("文<bustup align=left name=A face=B><k>");
  EXPECT_EQ(StepOf(*c), (Fields{"flat", "left", "on", "a_b", "bottom", "align", "255"}));
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1"}));
  EXPECT_EQ(c->Step(), "");
  EXPECT_EQ(c->Step(), "");  // run out: stays so

  // The action text is every field followed by CR LF.
  EXPECT_EQ(Script("<p>")->Step(), "pagefeed\r\n");
  EXPECT_EQ(Script("")->Step(), "");
}

TEST(CodeBlueStep, EveryCommandYieldsItsActionFields) {
  EXPECT_EQ(ActionOf("<background src=BG01>"),
            (Fields{"flat", "background", "on", "bg01", "0", "0", "100"}));
  EXPECT_EQ(ActionOf("<background src=x top=5 left=-3>"),
            (Fields{"flat", "background", "on", "x", "5", "-3", "100"}));
  EXPECT_EQ(ActionOf("<layer num=3 transparent=50>"),
            (Fields{"flat", "layer3", "on", "", "0", "0", "127"}));
  EXPECT_EQ(ActionOf("<layer src=Fx mode=off>"),
            (Fields{"flat", "layer2", "off", "fx", "0", "0", "255"}));
  EXPECT_EQ(ActionOf("<layer transparent=-50>")[6], "-127");  // truncates towards zero
  EXPECT_EQ(ActionOf("<layer transparent=abc>")[6], "255");
  EXPECT_EQ(ActionOf("<bustup>"), (Fields{"flat", "", "on", "_", "bottom", "align", "255"}));
  EXPECT_EQ(ActionOf("<bustup align=Center mode=off left=7>"),
            (Fields{"flat", "Center", "off", "_", "bottom", "7", "255"}));
  EXPECT_EQ(ActionOf("<whiteout>"), (Fields{"white", "100"}));
  EXPECT_EQ(ActionOf("<whiteout time=3>"), (Fields{"white", "300"}));
  EXPECT_EQ(ActionOf("<wipe effect=Mesh time=5>"), (Fields{"wipe", "mesh", "500"}));
  EXPECT_EQ(ActionOf("<wipe time=x>"), (Fields{"wipe", "normal", "1000"}));
  EXPECT_EQ(ActionOf("<wait>"), (Fields{"wait", "0"}));
  EXPECT_EQ(ActionOf("<box color=#000080>"), (Fields{"box", "0", "8388608", "128"}));
  EXPECT_EQ(ActionOf("<box type=3 color=nocolour transparent=100>"),
            (Fields{"box", "3", "-1", "256"}));
  EXPECT_EQ(ActionOf("<box type=x>"), (Fields{"box", "x", "-1", "128"}));
  EXPECT_EQ(ActionOf("<P>"), Fields{"pagefeed"});
  EXPECT_EQ(ActionOf("<clear>"), Fields{"clear"});
  EXPECT_EQ(ActionOf("<END>"), Fields{"end"});
  EXPECT_EQ(ActionOf("<scroll>"), Fields{"scroll"});
  // Times beyond 32 bits saturate instead of wrapping.
  EXPECT_EQ(ActionOf("<wipe time=2147483647>")[2], "2147483647");
  EXPECT_EQ(ActionOf("<whiteout time=-2147483648>")[1], "-2147483648");
  EXPECT_EQ(ActionOf("<layer transparent=2147483647>")[6], "2147483647");

  // Commands that continue: nothing to hand over, nothing reported.
  auto c = Script("<marker name=a><! note><calc x=1><movie><starttimer><a><k>");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1"}));
  EXPECT_EQ(c->Errors.Count(), 0);
  EXPECT_EQ(c->Position, 7);
}

TEST(CodeBlueStep, UnknownCommandsAreReportedAndSkipped) {
  auto c = Script("\r\n\r\n<foo bar=1>\r\n*sigh*<k>\r\n<Foo>");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1"}));  // the text run was taken as a command
  EXPECT_EQ(c->Step(), "");
  EXPECT_EQ(ErrorsOf(*c), (Fields{"3不明なコマンド<*foo>です.", "4不明なコマンド<*sigh*>です.",
                                  "5不明なコマンド<*foo>です."}));
  // Errors are raw CP932 bytes.
  EXPECT_EQ(c->Errors[0], "3" + Sjis("不明なコマンド<*foo>です."));
}

TEST(CodeBlueJump, LabelsMatchOnlyInLowerCase) {
  auto c = Script("<a href=\"#Top\">a<k><marker name=top>b<k>");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1", "", "a"}));
  c->Position = 0;
  c->SetString(0, "<a href=\"#top\">");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1", "", "b"}));
  // A marker's name is lower-cased before the comparison.
  c = Script("<a href=#top><k><marker Name=TOP>c<k>");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1", "", "c"}));
  // Backwards, and onto the first token whose name matches, marker or not.
  c = Script("<marker name=m>x<wait><a href=#m>");
  EXPECT_EQ(StepOf(*c), (Fields{"wait", "0", "", "x"}));
  EXPECT_EQ(StepOf(*c), (Fields{"wait", "0", "", "x"}));
  c = Script("<a href=#gen><bustup name=gen face=a><k>");
  EXPECT_EQ(c->FindLabel("gen"), 1);
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1"}));
  // Story text before the first tag is compared with the name of the tag
  // being run, as a scan from the first token finds it; the search leaves
  // that tag's fields as they were.
  c = Script("t<marker name=m><marker name=m><k>");
  c->ParseToken("<a href=#m name=m>");
  EXPECT_EQ(c->FindLabel("m"), 0);
  EXPECT_EQ(c->Command, "*a");
  c->ParseToken("<a href=#m>");
  EXPECT_EQ(c->FindLabel("m"), 1);
  EXPECT_EQ(c->Attr("href", ""), "#m");
  // New tokens, new labels.
  c->Tokenize("<marker name=q>");
  EXPECT_EQ(c->FindLabel("m"), -1);
  EXPECT_EQ(c->FindLabel("q"), 0);
  // The search reports nothing itself; each reference is reported once, by its own line.
  c = Script("<a href=#z>\r\n{v}<marker name=z>\r\n{w}<k>");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1", "", "*br", "w"}));
  EXPECT_EQ(ErrorsOf(*c), Fields{"3変数<w>は未定義．"});
}

TEST(CodeBlueJump, AJumpLoopWithoutActionsEndsTheScript) {
  auto c = Script("a<k>\r\n<marker name=l>\r\n<a href=\"#l\">\r\nb<k>");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1", "", "a"}));
  EXPECT_EQ(c->Step(), "");
  EXPECT_EQ(ErrorsOf(*c), Fields{"3ジャンプが無限ループです<#l>."});
  EXPECT_EQ(c->Step(), "");
  EXPECT_EQ(c->Errors.Count(), 1);
  // A loop whose rounds gather much text ends long before its jumps run out:
  // ten thousand rounds would have gathered 100 MB.
  const std::string longRound = "<marker name=l>" + std::string(10000, 'a') + "<a href=#l>";
  c = Script(longRound.c_str());
  EXPECT_EQ(c->Step(), "");
  EXPECT_LT(c->TextBuffer.size(), 2u << 20);
  EXPECT_EQ(ErrorsOf(*c), Fields{"1ジャンプが無限ループです<#l>."});
  // A loop through an action is a story that repeats, not a fault.
  c = Script("<marker name=l>x<wait time=1><a href=#l>");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(StepOf(*c), (Fields{"wait", "1", "", "x"}));

  // A bad tag met on every round is one error line that counts its repeats;
  // errors that alternate keep only the most recent lines.
  c = Script("<marker name=l>\r\n*x<wait time=1><a href=#l>");
  for (int i = 0; i < 10; ++i) c->Step();
  EXPECT_EQ(ErrorsOf(*c), Fields{"2不明なコマンド<*x>です. (10回)"});
  c = Script("<marker name=l>\r\n*x\r\n*y<a href=#l>");
  c->Step();
  EXPECT_LE(c->Errors.Count(), kLogLinesKept + kLogLinesKept / 4);
  EXPECT_GE(c->Errors.Count(), kLogLinesKept);
  EXPECT_EQ(ErrorsOf(*c).back(), "3ジャンプが無限ループです<#l>.");
  EXPECT_EQ(ErrorsOf(*c)[c->Errors.Count() - 2], "3不明なコマンド<*y>です.");
}

namespace {

struct Captions : DebugLabel {
  std::vector<Bytes> seen;
  Bytes Caption() const override { return seen.empty() ? Bytes() : seen.back(); }
  void SetCaption(const Bytes& caption) override { seen.push_back(caption); }
};

struct Lines : DebugMessageBox {
  std::vector<Bytes> lines;
  int LineCount() const override { return int(lines.size()); }
  void AppendLine(const Bytes& line) override { lines.push_back(line); }
  void DeleteFirstLine() override { lines.erase(lines.begin()); }
  void Clear() override { lines.clear(); }
};

// The global state with an attached debugger's labels and message box.
class CodeBlueDebugger : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = DebugMode;
    Global = &global_;
    global_.CodeLabel = &code_;
    global_.ScriptLabel = &script_;
    global_.MessageBox = &box_;
    global_.DebugAttached = true;
  }
  void TearDown() override {
    Global = nullptr;
    DebugMode = saved_;
  }
  Tglobal global_;
  Captions code_, script_;
  Lines box_;
  bool saved_ = false;
};

}  // namespace

TEST_F(CodeBlueDebugger, EachTokenIsShownWithTheTextBeforeItAndErrorsAreLogged) {
  DebugMode = true;
  auto c = Script("a<br>\r\n<foo>{v}<k>");
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1", "", "a", "*br", "*br", "v"}));
  EXPECT_EQ(code_.seen,
            (std::vector<Bytes>{"Code/a", "Code/a<br>", "Code/a*br<BR>", "Code/a*br*br<foo>",
                                "Code/a*br*br{v}", "Code/a*br*brv<k>"}));
  EXPECT_EQ(global_.CodeText, "a*br*brv<k>");
  EXPECT_EQ(global_.LineNo, 2);
  // The error lines reach the message box at the next refresh after them.
  EXPECT_EQ(box_.lines, (std::vector<Bytes>{"2" + Sjis("不明なコマンド<*foo>です."),
                                            "2" + Sjis("変数<v>は未定義．")}));
  EXPECT_EQ(c->Errors.Count(), 2);

  // Loading tells the global state which script runs.
  c->Load("Other.vxs");
  EXPECT_EQ(global_.ScriptName, "other");
}

TEST_F(CodeBlueDebugger, LoopsGatheringTextShowOnlyWhatTheDebuggerCanShow) {
  DebugMode = true;
  // Every round adds its text to the buffer; each token's code line is cut
  // where the debugger stops showing it.
  auto c = Script("<marker name=l>abcdefghij<a href=\"#l\">");
  EXPECT_EQ(c->Step(), "");
  EXPECT_EQ(global_.CodeText.size(), 100u);
  EXPECT_EQ(global_.CodeText.substr(0, 20), "abcdefghijabcdefghij");
  // The debugger keeps the last line short enough to show.
  EXPECT_EQ(code_.seen.back().substr(0, 15), "Code/abcdefghij");
  EXPECT_LT(code_.seen.back().size(), 105u);
  // A loop through a story line read as a command: one folded error line.
  c = Script("<marker name=l>\r\n*x<a href=\"#l\">");
  EXPECT_EQ(c->Step(), "");
  EXPECT_EQ(ErrorsOf(*c),
            (Fields{"2不明なコマンド<*x>です. (10001回)", "2ジャンプが無限ループです<#l>."}));
}

TEST_F(CodeBlueDebugger, WithoutDebugModeOnlyTheLogIsFed) {
  auto c = Script("<foo><k>");
  c->Step();
  EXPECT_TRUE(code_.seen.empty());
  EXPECT_EQ(global_.CodeText, "");
  EXPECT_EQ(global_.PendingLog.Count(), 1);
  // Nothing drains the log without debug mode: it keeps the most recent lines.
  c = Script("<marker name=l>\r\n*x\r\n*y<a href=#l>");
  c->Step();
  EXPECT_LE(global_.PendingLog.Count(), kLogLinesKept + kLogLinesKept / 4);
  EXPECT_EQ(global_.PendingLog[global_.PendingLog.Count() - 1],
            "3" + Sjis("ジャンプが無限ループです<#l>."));
}

// Random scripts from the bytes that matter to tokens and tags: every byte
// but the line ends survives tokenising in order, and stepping never hangs.
TEST(CodeBlueStep, RandomScriptsKeepTheirBytesAndNeverHang) {
  const Bytes alphabet = "<>\"{}= \r\na#*/k" + Sjis("マ");
  uint32_t seed = 12345;
  auto next = [&] { return (seed = seed * 1103515245 + 12345) >> 16; };
  for (int round = 0; round < 300; ++round) {
    Bytes text;
    const size_t length = next() % 200;
    for (size_t i = 0; i < length; ++i) text += alphabet[next() % alphabet.size()];
    TCodeBlue c;
    c.Tokenize(text);
    Bytes joined, want;
    for (int i = 0; i < c.Count(); ++i) {
      ASSERT_FALSE(c[i].empty());
      if (c[i] != "<BR>" && c[i] != "<P>") joined += c[i];
    }
    for (char ch : text)
      if (ch != '\r' && ch != '\n') want += ch;
    ASSERT_EQ(joined, want);
    for (int steps = 0; steps < 1000 && !c.Step().empty(); ++steps) {
    }
  }
}

class CodeBlueScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ArchiveWriter w(ArchiveWriter::Kind::PackedText);
    w.Add(Sjis("脚本1.vxs"), Sjis("one<k>\r\n<a href=\"脚本2.vxs\">\r\n"));
    w.Add(Sjis("脚本2.vxs"), Sjis("<background src=b2>\r\n<marker name=mid>two<k>\r\n"));
    w.Add("labels.vxs", Sjis("<a href=\"脚本2#mid\">\r\n<a href=\"脚本2#none\">\r\n"));
    w.Write(dir_ / "script.chs");
    archive_ = std::make_unique<TArchive>(dir_ / "script.chs");
    dir_.Write("script/loose.vxs", "<a href=\"d:\\x\\labels.VXS#x\">");
    c_.ScriptArchive = archive_.get();
    c_.ScriptDir = dir_ / "script/";
  }
  testing::TempDir dir_;
  std::unique_ptr<TArchive> archive_;
  TCodeBlue c_;
};

TEST_F(CodeBlueScripts, JumpsLandWhereTheyShouldAcrossScripts) {
  c_.Load(Sjis("脚本1"));
  EXPECT_EQ(StepOf(c_), (Fields{"key", "-1", "", "one"}));
  // A jump to a script without a label passes over its first token.
  EXPECT_EQ(StepOf(c_), (Fields{"key", "-1", "", "*br", "two"}));
  EXPECT_EQ(c_.ScriptName, Sjis("脚本2"));
  EXPECT_EQ(c_.ChapterNumber, 1);

  // script#label resumes after the marker; a label that is not there
  // resumes at the new script's second token, too.
  c_.Load("labels");
  EXPECT_EQ(StepOf(c_), (Fields{"key", "-1", "", "two"}));
  c_.Load("labels");
  c_.Position = 1;
  EXPECT_EQ(StepOf(c_), (Fields{"key", "-1", "", "two"}));

  // Directory and extension in the href are ignored, loose scripts count,
  // jumps chain within one step; a script that exists nowhere runs out at once.
  c_.Load("loose");
  EXPECT_EQ(StepOf(c_), (Fields{"key", "-1", "", "two"}));
  EXPECT_EQ(c_.ScriptName, Sjis("脚本2"));
  c_.Tokenize("<a href=missing#x>");
  c_.Position = 0;
  EXPECT_EQ(c_.Step(), "");
  EXPECT_EQ(c_.ScriptName, "missing");
  EXPECT_EQ(c_.Errors.Count(), 0);

  // A script that jumps to itself by name never reaches an action either.
  dir_.Write("script/again.vxs", "<! again>\r\n<a href=\"again\">\r\n");
  c_.Load("again");
  EXPECT_EQ(c_.Step(), "");
  EXPECT_EQ(ErrorsOf(c_), Fields{"2ジャンプが無限ループです<again>."});

  // Nor does a small file that unpacks to the largest script, jumping to
  // itself: the step's loading is bounded in bytes, long before 100 loads.
  WritePackedFile(dir_ / "script/big.vxs",
                  "<! big>\r\n<a href=\"big\">\r\n" + std::string(kMaxPackedLength - 40, 'x'));
  c_.Load("big");
  const uint64_t loads = c_.TokensVersion;
  EXPECT_EQ(c_.Step(), "");
  EXPECT_LE(c_.TokensVersion - loads, 5u);
  EXPECT_EQ(ErrorsOf(c_).back(), "2ジャンプが無限ループです<big>.");
}

TEST_F(CodeBlueScripts, SavedPositionsResumeTheSameWay) {
  c_.Load(Sjis("脚本2"));
  c_.Step();
  const Bytes saved = c_.PositionString();
  EXPECT_EQ(saved, Sjis("脚本2") + ",1");
  const Fields next = StepOf(c_);

  // Without an archive of its own the interpreter reads the program's.
  TCodeBlue other;
  ScriptArchive = archive_.get();
  other.RestorePosition(saved);
  ScriptArchive = nullptr;
  other.ScriptArchive = archive_.get();
  EXPECT_EQ(StepOf(other), next);
  // After a jump the position names the new script.
  other.Load(Sjis("脚本1"));
  other.Step();
  other.Step();
  EXPECT_EQ(other.PositionString(), Sjis("脚本2") + ",4");
}

TEST(CodeBlueSound, RequestsByModeAndOption) {
  TCodeBlue c;
  auto request = [&](const char* tag) {
    c.ParseToken(tag);
    return c.SoundRequestOf();
  };
  auto r = request("<bgm src=BGM01 mode=on option=loop>");
  ASSERT_TRUE(r);
  EXPECT_EQ((std::tuple(r->channel, r->kind, r->name, r->value, r->loops)),
            std::tuple(0, kSoundPlay, Bytes("bgm01"), 0, 0));
  EXPECT_EQ(request("<bgm src=a mode=ON option=Random>")->loops, -1);
  EXPECT_EQ(request("<bgm src=a mode=on>")->loops, 1);
  EXPECT_EQ(request("<bgm src=a mode=on option=twice>")->loops, 1);
  r = request("<se mode=fadeout>");
  EXPECT_EQ((std::tuple(r->channel, r->kind, r->name, r->value, r->loops)),
            std::tuple(1, kSoundFadeOut, Bytes(), 2000, 0));
  r = request("<se src=v mode=fadein time=5 option=loop>");
  EXPECT_EQ((std::tuple(r->channel, r->kind, r->name, r->value, r->loops)),
            std::tuple(1, kSoundFadeIn, Bytes("v"), 500, 0));
  EXPECT_EQ(request("<se src=v mode=fadein time=x>")->value, 2000);
  r = request("<bgm src=a mode=off option=loop time=9>");
  EXPECT_EQ((std::tuple(r->channel, r->kind, r->name, r->value, r->loops)),
            std::tuple(0, kSoundStop, Bytes(), 0, 0));
  EXPECT_FALSE(request("<bgm src=a>"));
  EXPECT_FALSE(request("<se src=a mode=play>"));
}

TEST(CodeBlueSound, StepPostsToTheSoundSources) {
  testing::TempDir dir;
  dir.Write("sound/m01.wav", testing::PcmWave(2, 44100, std::vector<int16_t>(4000, 1)));
  dir.Write("sound/x3.wav", testing::PcmWave(2, 44100, std::vector<int16_t>(4000, 1)));
  TSoundSrc music(nullptr, dir / "sound/"), effects(nullptr, dir / "sound/");
  SoundSources[0] = &music;
  SoundSources[1] = &effects;
  std::vector<int32_t> mix(3000);
  auto mixBoth = [&] {
    std::lock_guard<std::recursive_mutex> lock(SoundLock());
    music.Mix(mix.data(), 255, 3000);
    effects.Mix(mix.data(), 255, 3000);
  };
  auto c = Script(
      "<bgm src=M01 mode=fadein option=loop time=1><se src=X mode=on option=random>"
      "<k><bgm mode=off><se mode=fadeout><k>");
  effects.SeedRandom(1);
  for (int tries = 0; tries < 50 && effects.Name() != "x3.wav"; ++tries) {
    c->Position = 0;
    EXPECT_EQ(StepOf(*c), (Fields{"key", "-1"}));
    mixBoth();
  }
  // Music loops endlessly (its plays-left count goes negative); the effect
  // is one of the random variants x1..x5, of which only x3 exists.
  EXPECT_EQ(CommaField(GetSoundState(0), 0), "m01.wav");
  EXPECT_EQ(CommaField(GetSoundState(0), 3), "true");
  EXPECT_LT(StrToInt(CommaField(GetSoundState(0), 1)), 0);
  EXPECT_EQ(GetSoundState(1), "x3.wav,0,true,true");
  c->Step();
  mixBoth();
  EXPECT_EQ(GetSoundState(0), ",0,false,false");
  EXPECT_EQ(CommaField(GetSoundState(1), 2), "false");  // a fade-out ends the variants
  SoundSources[0] = SoundSources[1] = nullptr;
  // Without sound sources (tools, tests) the requests are dropped.
  c->Position = 0;
  EXPECT_EQ(StepOf(*c), (Fields{"key", "-1"}));
}

}  // namespace vantel

#include "scenes/Class_MsLog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "script/ClassCodeRed.h"
#include "shell/ClassMain.h"
#include "support/SceneFixtures.h"

namespace vantel {
namespace {

constexpr int32_t kKeyUpMsg = 20, kKeyDownMsg = 21;
constexpr int32_t kEnter = 13, kPageUp = 33, kPageDown = 34, kUp = 38, kDown = 40;

// Measures every letter 10 pixels wide and remembers what was drawn where.
class RecordingText : public TextService {
 public:
  struct Call {
    int x, y;
    Colour colour;
    Bytes text;
  };
  TextExtent Measure(const FontRequest&, std::string_view text) override {
    return {int(text.size()) * 10, 16};
  }
  void Draw(Picture&, int x, int y, const FontRequest&, Colour colour,
            std::string_view text) override {
    calls.push_back({x, y, colour, Bytes(text)});
  }
  std::vector<Call> calls;
};

Bytes Numbered(const char* stem, int n) {
  return stem + std::string(n < 10 ? "0" : "") + std::to_string(n);
}

// Chapter scripts in the script archive:
//   脚本1: a tag line, then A01 ... A30 (line i is Ai), a comment after A10;
//   脚本2: a tag line, then B01 ... B20, a ruby line at the end;
//   脚本2_2 is missing, 脚本3 is empty;
//   脚本4: C01 ... C05, the last line a tag only.
class MessageLogTest : public testing::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    AddPicture("black", 800, 600, 0);
    for (int n = 1; n <= 5; ++n)
      for (const char* look : {"playback_n0", "playback_ov0", "playback_out0"})
        AddPicture(look + std::to_string(n), 40, 40, 0x808080);
    OpenImages();

    Bytes one = "<BG file=\"room\">\r\n";
    for (int i = 1; i <= 30; ++i) {
      one += Numbered("A", i) + "\r\n";
      if (i == 10) one += "[a note]\r\n";
    }
    Bytes two = "<bgm file=x>\r\n";
    for (int i = 1; i <= 20; ++i) two += Numbered("B", i) + "\r\n";
    two += Sjis("<r text=\"かん\">漢</r>字") + "\r\n";
    Bytes four;
    for (int i = 1; i <= 5; ++i) four += Numbered("C", i) + "\n";
    four += "<wait time=1>";
    ArchiveWriter scripts(ArchiveWriter::Kind::PackedText);
    scripts.Add(Sjis("脚本1.vxs"), one);
    scripts.Add(Sjis("脚本2.vxs"), two);
    scripts.Add(Sjis("脚本3.vxs"), "");
    scripts.Add(Sjis("脚本4.vxs"), four);
    scripts.Write(dir / "script.chs");
    ScriptArchive = new TArchive(dir / "script.chs");
  }
  void TearDown() override {
    log_.reset();
    RegisterScene(kSceneMessageLog, nullptr);
    SceneFixture::TearDown();
  }
  TmsLog& Open(const char* script, int32_t line) {
    global.ScriptName = LowerCase(Sjis(script));
    global.HandOverLine = line;
    log_ = std::make_unique<TmsLog>(&text_);
    return *log_;
  }
  void Key(int32_t key) {
    log_->Signal(kKeyDownMsg, key, 0);
    log_->Signal(kKeyUpMsg, key, 0);
  }
  void Click(int32_t x, int32_t y) {
    log_->Signal(31, x, y);
    log_->Signal(41, x, y);
    log_->Signal(40, x, y);
  }
  const Bytes& Page() const { return log_->TextLayer->FPageText; }
  // The story lines on the page, in order (separators and tags left out).
  std::vector<Bytes> Shown() const {
    std::vector<Bytes> out;
    size_t start = 0;
    const Bytes& page = Page();
    while (start < page.size()) {
      size_t end = page.find("\r\n", start);
      if (end == Bytes::npos) end = page.size();
      Bytes line = page.substr(start, end - start);
      if (line.size() == 3 && (line[0] == 'A' || line[0] == 'B' || line[0] == 'C'))
        out.push_back(line);
      start = end + 2;
    }
    return out;
  }
  std::vector<Bytes> Range(const char* stem, int from, int to) {
    std::vector<Bytes> out;
    for (int i = from; i <= to; ++i) out.push_back(Numbered(stem, i));
    return out;
  }
  Bytes CornerTitle() const {
    Bytes last;
    for (const auto& c : text_.calls)
      if (c.y == 530 && c.colour == 0xAAAAAA) {
        EXPECT_EQ(c.x + int(c.text.size()) * 10, 780);
        last = c.text;
      }
    return last;
  }

  RecordingText text_;
  std::unique_ptr<TmsLog> log_;
};

TEST_F(MessageLogTest, EntryShowsTheLinesReadUpToTheStorysCurrentLine) {
  // Line 11 counted from 1 is B10; the seven displayable lines before index 11.
  Open("脚本2", 11);
  EXPECT_EQ(Shown(), Range("B", 4, 10));
  EXPECT_EQ(log_->View, (TmsLog::Position{1, 4}));
  EXPECT_EQ(CornerTitle(), ChapterTitleOf(2));
  EXPECT_TRUE(log_->TextLayer->FDone);  // laid out at once, not letter by letter
  EXPECT_EQ(log_->FTag, "msg");

  // Down as far as it goes: the view reaches the reading position and the
  // page holds only the line at that index (B11), never what follows.
  for (int i = 0; i < 3; ++i) Key(kPageDown);
  EXPECT_EQ(log_->View, log_->Reading);
  EXPECT_EQ(Shown(), Range("B", 11, 11));
  Key(kDown);
  EXPECT_EQ(Shown(), Range("B", 11, 11));
}

TEST_F(MessageLogTest, LineAndPageStepsMoveTheViewAndStopAtTheStart) {
  Open("脚本1", 25);  // line 25 is A23 (the note comes before it)
  EXPECT_EQ(Shown(), Range("A", 17, 23));
  Key(kUp);
  EXPECT_EQ(Shown(), Range("A", 16, 23));
  log_->Signal(kKeyUpMsg, kDown, 0);  // the wheel arrives as a bare key message
  EXPECT_EQ(Shown(), Range("A", 17, 23));
  Key(kPageUp);  // eleven displayable lines; the note is passed over
  EXPECT_EQ(Shown(), Range("A", 6, 23));
  EXPECT_EQ(Page().find("note"), Bytes::npos);

  Key(kPageUp);  // past the start: the first line, with the chapter separator
  EXPECT_EQ(log_->View, (TmsLog::Position{0, 0}));
  EXPECT_EQ(Shown(), Range("A", 1, 20));
  EXPECT_NE(Page().find(Sjis("　")), Bytes::npos);
  const Bytes first = Page();
  Key(kUp);
  EXPECT_EQ(Page(), first);
  Key(kPageUp);
  EXPECT_EQ(Page(), first);
  Key(kPageDown);
  EXPECT_EQ(Shown().front(), "A11");

  // The pointer works the same buttons: line down, then page up.
  Click(750, 305);
  EXPECT_EQ(Shown().front(), "A12");
  Click(750, 70);
  EXPECT_EQ(Shown().front(), "A01");
}

TEST_F(MessageLogTest, PagingUpCrossesIntoTheEarlierChapterWithItsTitle) {
  Open("脚本2", 3);  // B01, B02 and the end of chapter 1 before them
  std::vector<Bytes> expected = Range("A", 26, 30);
  for (const Bytes& b : Range("B", 1, 2)) expected.push_back(b);
  EXPECT_EQ(Shown(), expected);
  EXPECT_EQ(CornerTitle(), ChapterTitleOf(1));
  Key(kPageUp);
  EXPECT_EQ(Shown().front(), "A15");
  EXPECT_EQ(Shown().size(), 18u);
  // The separator comes between the chapters: B01's chapter starts at line 0.
  const size_t a30 = Page().find("A30"), b01 = Page().find("B01");
  EXPECT_NE(Page().substr(a30, b01 - a30).find(Sjis("　")), Bytes::npos);
  Key(kPageDown);
  Key(kPageDown);
  EXPECT_EQ(log_->View, log_->Reading);
  EXPECT_EQ(CornerTitle(), ChapterTitleOf(2));
}

TEST_F(MessageLogTest, RubyLinesStayAndCommandLinesDropOut) {
  Open("脚本2", 22);  // the ruby line is the chapter's last
  EXPECT_EQ(Shown().back(), "B20");
  EXPECT_NE(Page().find("*r,text," + Sjis("かん")), Bytes::npos);
  EXPECT_NE(Page().find("*/r"), Bytes::npos);
  EXPECT_NE(Page().find("*br"), Bytes::npos);
  EXPECT_EQ(Page().find("<"), Bytes::npos);
  EXPECT_EQ(Page().find("bgm"), Bytes::npos);

  // Tags in any case, inside text lines, as the story reads them: breaks
  // and colours become markup, waits and page breaks show nothing. LF CR
  // ends one line, as the script loader counts it, so line 3 is D03's.
  ArchiveWriter scripts(ArchiveWriter::Kind::PackedText);
  scripts.Add(Sjis("脚本1.vxs"),
              "D01<br>D02<K>\n\r\n\r<font color=red>D03</font><P>\n\rD04<k time=3>\n\r");
  scripts.Write(dir / "lower.chs");
  delete ScriptArchive;
  ScriptArchive = new TArchive(dir / "lower.chs");
  Open("脚本1", 3);
  EXPECT_NE(Page().find("D01\r\n*br\r\nD02"), Bytes::npos);
  EXPECT_NE(Page().find("*font,color,red\r\nD03\r\n*/font"), Bytes::npos);
  EXPECT_EQ(Page().find("D04"), Bytes::npos);
  EXPECT_EQ(Page().find("<"), Bytes::npos);
}

TEST_F(MessageLogTest, ReturnAsksForTheStoryAndKeepsItsRecord) {
  global.HandOver = "story record";
  Open("脚本1", 5);
  log_->Signal(kKeyDownMsg, kEnter, 0);
  EXPECT_EQ(global.NextScene, 0);
  log_->Signal(kKeyUpMsg, kEnter, 0);
  EXPECT_EQ(global.NextScene, kSceneStory);
  EXPECT_EQ(global.HandOver, "story record");
  EXPECT_EQ(global.ScriptName, LowerCase(Sjis("脚本1")));

  RegisterMessageLogScene();
  EXPECT_TRUE(SceneRegistered(kSceneMessageLog));
}

// Positions the story could hand over that the chapter scripts do not hold.
TEST_F(MessageLogTest, OddReadingPositionsNeitherHangNorShowUnreadText) {
  // Reading in chapter 4 with a missing and an empty chapter before it.
  Open("脚本4", 2);
  EXPECT_EQ(Shown(), (std::vector<Bytes>{"B17", "B18", "B19", "B20", "C01", "C02"}));
  Key(kPageUp);
  EXPECT_EQ(Shown().front(), "B06");

  // A line past the end of the last chapter's script: the log stops at
  // its end instead of running on (the last line is only a tag).
  Open("脚本4", 500);
  EXPECT_EQ(Shown().back(), "C05");
  Key(kPageDown);
  Key(kPageDown);
  EXPECT_EQ(Shown(), std::vector<Bytes>{});
  EXPECT_TRUE(log_->StepBack(log_->View, false));
  log_->ShowPage();
  EXPECT_EQ(Shown(), Range("C", 5, 5));

  // A line past the end of chapter 1 does not reach into chapter 2.
  Open("脚本1", 100);
  for (int i = 0; i < 3; ++i) Key(kPageDown);
  EXPECT_EQ(Page().find("B01"), Bytes::npos);
  Key(kUp);
  EXPECT_EQ(Shown(), Range("A", 30, 30));

  // A script outside the chapter list: an empty log that still returns.
  Open("prologue", 3);
  EXPECT_EQ(Shown(), std::vector<Bytes>{});
  Key(kPageUp);
  Key(kDown);
  Key(kEnter);
  EXPECT_EQ(global.NextScene, kSceneStory);
}

TEST_F(MessageLogTest, LooseScriptsAndMissingChapters) {
  Open("脚本1", 3);
  log_->ScriptDir = dir / "script/";
  dir.Write("script/" + ToUtf8(Sjis("脚本5_1")) + ".vxs", "<Fo size=20>D01\n<se file=x>\nD02");
  log_->LoadChapter(Sjis("脚本5_1"));
  ASSERT_EQ(log_->Lines.Count(), 3);
  EXPECT_EQ(log_->Lines[0], "<Fo size=20>D01");
  EXPECT_EQ(log_->Lines[1][0], '[');
  EXPECT_EQ(log_->Lines[2], "D02");
  // A UTF-8 source reads as the story reads it: in code page 932.
  dir.Write("script/" + ToUtf8(Sjis("脚本5_2")) + ".vxs", "「月が出た」\n<wait time=1>\n二行目");
  log_->LoadChapter(Sjis("脚本5_2"));
  ASSERT_EQ(log_->Lines.Count(), 3);
  EXPECT_EQ(log_->Lines[0], Sjis("「月が出た」"));
  EXPECT_EQ(log_->Lines[2], Sjis("二行目"));
  // A chapter found nowhere, or damaged, has no lines rather than the
  // previous ones.
  log_->LoadChapter(Sjis("脚本6"));
  EXPECT_EQ(log_->Lines.Count(), 0);
  log_->LoadChapter(Sjis("脚本5_1"));
  dir.Write("script/" + ToUtf8(Sjis("脚本5_1")) + ".vxs", std::string("\x10\0\0\x5Anot zlib", 12));
  log_->LoadChapter(Sjis("脚本5_1"));
  EXPECT_EQ(log_->Lines.Count(), 0);
}

}  // namespace
}  // namespace vantel

#include "shell/LiveReload.h"

#include <gtest/gtest.h>

#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "script/Class_Story.h"
#include "support/SceneFixtures.h"

namespace vantel {
namespace {

constexpr int32_t kTextWait = 1;

// A story played from a loose script/ folder while an author edits it; the
// watcher gets real inotify events from the temporary folder.
class LiveReloadTest : public testing::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    global.MessageStep = 50;
    global.BoxLeft[0] = 50, global.BoxTop[0] = 420, global.BoxWidth[0] = 700,
    global.BoxHeight[0] = 150;
  }
  void TearDown() override {
    story_.reset();
    ScriptArchive = nullptr;
    ForgetPreferredScripts();
    SceneFixture::TearDown();
  }
  void Chapter(const char* name, const std::string& utf8) {
    dir.Write(std::string("script/") + name + ".vxs", utf8);
  }
  TStory& Start() {
    story_ = std::make_unique<TStory>(nullptr);
    story_->FScript->ScriptDir = dir / "script/";
    story_->FScript->Load(Sjis("脚本1"));
    return *story_;
  }
  // Ticks until the story waits for the reader.
  void UntilWait() {
    for (int n = 0; n < 400 && story_->FState != kTextWait; ++n) story_->Signal(100, 0, 0);
    ASSERT_EQ(story_->FState, kTextWait);
  }
  void Next() {
    story_->Signal(40, 10, 10);  // the whole page is shown: on
    story_->Signal(40, 10, 10);
    UntilWait();
  }
  // Waits for the watcher's event, then lets the player's tick take it.
  void Saved(LiveReload& reload) {
    ASSERT_TRUE(reload.Watch().WaitChanged(5000));
    reload.Poll();
  }
  std::string Log() {
    std::string all;
    for (int i = 0; i < global.PendingLog.Count(); ++i) all += ToUtf8(global.PendingLog[i]) + "\n";
    global.PendingLog.Clear();
    return all;
  }
  std::string Page() { return ToUtf8(story_->FText->FPageText); }

  std::unique_ptr<TStory> story_;
};

TEST_F(LiveReloadTest, ASavedChapterGoesOnFromTheSameLineWithItsNewText) {
  EXPECT_EQ(LiveReload::StartIfDebugging(dir.Path()), nullptr);  // no save/debug: no watching
  const std::string box = "<box type=0 color=#000080 transparent=50>\n";
  Chapter("脚本1", box + "一行目<k>\n二行目<k>\n三行目<k>\n");
  // The archive holds the other chapter too; a saved loose copy wins at its next load.
  ArchiveWriter w(ArchiveWriter::Kind::PackedText);
  w.Add(Sjis("脚本2.vxs"), Sjis("古い<k>\r\n"));
  w.Write(dir / "script.chs");
  TArchive archive(dir / "script.chs");
  ScriptArchive = &archive;
  dir.Write("save/debug", "");
  ASSERT_NE(LiveReload::StartIfDebugging(dir.Path()), nullptr);

  TStory& s = Start();
  LiveReload reload(dir / "script/", [&] { return &s; });
  UntilWait();
  Next();
  EXPECT_EQ(s.FScript->CurrentLine, 3);
  EXPECT_EQ(Page(), "\r\n一行目\r\n\r\n*br\r\n二行目\r\n");

  Chapter("脚本1", box + "改めた一行目<k>\n新しい二行目<k>\n三行目<k>\n");
  Saved(reload);
  EXPECT_EQ(Log(), "reloaded 脚本1.vxs: going on at line 3\n");
  EXPECT_EQ(global.LineNo, 3);
  UntilWait();
  EXPECT_EQ(s.FScript->CurrentLine, 3);
  // The page is drawn again from its start with the new text; the wait
  // before the reader's line passed at once.
  EXPECT_EQ(Page(), "\r\n改めた一行目\r\n\r\n*br\r\n新しい二行目\r\n");
  EXPECT_TRUE(s.FText->FDone);
  Next();
  EXPECT_EQ(Page(), "\r\n改めた一行目\r\n\r\n*br\r\n新しい二行目\r\n\r\n*br\r\n三行目\r\n");

  Chapter("脚本2", "新しい<k>\n");
  Saved(reload);
  EXPECT_EQ(Log(), "saved 脚本2.vxs: read at its next load\n");
  EXPECT_EQ(s.FScript->ScriptName, Sjis("脚本1"));
  s.FScript->Load(Sjis("脚本2"));
  EXPECT_EQ(ToUtf8((*s.FScript)[0]), "新しい");
}

TEST_F(LiveReloadTest, ASourceThatNoLongerLoadsKeepsTheOldTextAndSaysWhy) {
  Chapter("脚本1", "一行目<k>\n二行目<k>\n");
  TStory& s = Start();
  LiveReload reload(dir / "script/", [&] { return &s; });
  UntilWait();
  const int tokens = s.FScript->Count(), position = s.FScript->Position;

  Chapter("脚本1", "一行目<k>\n二行目<k\n");  // a tag not closed on its line
  Saved(reload);
  EXPECT_EQ(Log(),
            "not reloaded: 脚本1.vxs:2: the tag \"<k\" is not closed on its line; the old text "
            "goes on\n");
  Chapter("脚本1", "一行目<k>\n二行目\xF0\x9F\x98\x80<k>\n");  // no code page 932 form
  Saved(reload);
  EXPECT_EQ(Log().rfind("not reloaded: 脚本1.vxs:2: ", 0), 0u);
  EXPECT_EQ(s.FState, kTextWait);
  EXPECT_EQ(s.FScript->Count(), tokens);
  EXPECT_EQ(s.FScript->Position, position);

  // By hand (the debugger's F5), after the fault is mended.
  Chapter("脚本1", "一行目です<k>\n二行目<k>\n");
  std::string why;
  EXPECT_TRUE(ReloadStory(s, why));
  EXPECT_EQ(why, "reloaded 脚本1.vxs: going on at line 1");
  UntilWait();
  EXPECT_EQ(Page(), "\r\n一行目です\r\n");
}

}  // namespace
}  // namespace vantel

#include "script/Class_Story.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "base/Errors.h"
#include "base/Paths.h"
#include "base/PngWrite.h"
#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "data/CommaText.h"
#include "data/FuncFile.h"
#include "graphics/FuncBmpLoader.h"
#include "platform/headless/HeadlessAudio.h"
#include "platform/headless/HeadlessPlatform.h"
#include "script/StorySave.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "sound/ClassSound.h"
#include "sound/ClassSoundSrc.h"
#include "sound/FuncSound.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using testing::TempDir;

constexpr Colour kBackground = 0x302010;  // 0x00BBGGRR
constexpr Colour kFigure = 0x0000C0;      // red

// A story world in a temporary folder: a script archive holding the first
// chapter script, loose pictures, a save folder and a bare global state.
class Story : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform_);
    global_.SaveDir = dir_ / "save/";
    MakeDirectories(global_.SaveDir);
    global_.MessageStep = 50;
    global_.BoxLeft[0] = 50, global_.BoxTop[0] = 420, global_.BoxWidth[0] = 700,
    global_.BoxHeight[0] = 150;
    global_.BoxLeft[3] = 100, global_.BoxTop[3] = 100, global_.BoxWidth[3] = 300,
    global_.BoxHeight[3] = 100;
    Global = &global_;
    MakeDirectories(dir_ / "image");
    WritePng(dir_ / "image/bg.png", Picture(800, 600, Picture::Format::BGR24, kBackground));
    WritePng(dir_ / "image/bg2.png", Picture(800, 600, Picture::Format::BGR24, 0x00FF00));
    WritePng(dir_ / "image/a_b.png", Picture(300, 500, Picture::Format::BGR24, kFigure));
    images_ = std::make_unique<TArchive>(dir_ / "image.pk2");  // no archive: loose files
    images_->SetLooseDir(dir_ / "image/");
    ImageArchive = images_.get();
    SetImageLoader([](Picture& p, const Bytes& name) { return LoadImage(p, name); });
  }
  void TearDown() override {
    story_.reset();
    main_.reset();
    for (int n = 1; n <= 8; ++n) RegisterScene(n, nullptr);
    SetImageLoader(nullptr);
    ImageArchive = nullptr;
    ScriptArchive = nullptr;
    Global = nullptr;
    SetPlatform(nullptr);
  }

  // The first chapter script, one source line per entry.
  void Script(std::initializer_list<const char*> lines) {
    Bytes text;
    for (const char* l : lines) text += Sjis(l) + "\r\n";
    ArchiveWriter w(ArchiveWriter::Kind::PackedText);
    w.Add(Sjis("脚本1.vxs"), text);
    w.Write(dir_ / "script.chs");
    scripts_ = std::make_unique<TArchive>(dir_ / "script.chs");
    ScriptArchive = scripts_.get();
  }
  TStory& Start() {
    story_ = std::make_unique<TStory>(nullptr);
    return *story_;
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) story_->Signal(100, 0, 0);
  }
  // Ticks until the scene reaches `state`; the number of ticks taken.
  int TickUntil(int32_t state, int limit = 400) {
    for (int n = 1; n <= limit; ++n) {
      Tick();
      if (story_->FState == state) return n;
    }
    ADD_FAILURE() << "state " << state << " not reached; state is " << story_->FState;
    return -1;
  }
  void Click() { story_->Signal(40, 10, 10); }
  // The whole picture the scene shows now.
  Picture Frame() {
    story_->FillDirty(1);
    story_->Compose();
    return *story_->FCurrent;
  }
  // What the scene manager would present now: only the cells marked since
  // the last call are recomposed.
  Picture Shown() {
    story_->Compose();
    story_->FillDirty(0);
    return *story_->FCurrent;
  }
  static Colour At(const Picture& p, int x, int y) {
    const uint8_t* px = p.Pixel(x, y);
    return Colour(px[2] | px[1] << 8 | px[0] << 16);
  }

  TempDir dir_;
  HeadlessPlatform platform_;
  Tglobal global_;
  std::unique_ptr<TArchive> scripts_, images_;
  std::unique_ptr<TStory> story_;
  std::unique_ptr<TMain> main_;
};

const std::initializer_list<const char*> kOpening = {
    "<background src=bg>",
    "<bustup align=center name=A face=B>",
    "<box type=0 color=#000080 transparent=50>",
    "<wipe effect=fade time=3>",
    "あいうえおかきくけこ<k>",
    "<bustup align=center mode=off>",
    "<end>",
};

TEST_F(Story, OpeningShowsBackgroundFigureBoxAndTextThenWaitsForAClick) {
  Script(kOpening);
  TStory& s = Start();
  EXPECT_EQ(s.FState, 3);  // waits for the entry transition

  Tick();  // no transition runs: the script starts at the next tick
  EXPECT_EQ(s.FState, 0);
  Tick();  // runs up to the wipe
  EXPECT_EQ(s.FState, 3);
  EXPECT_EQ(s.FNamed[3]->FLeft, 250);  // 400 - 300/2, standing on the bottom edge
  EXPECT_EQ(s.FNamed[3]->FTop, 100);
  EXPECT_EQ(s.FBox->FLeft, 50);
  EXPECT_EQ(s.FBox->FTop, 410);
  EXPECT_EQ(s.FBox->FPicture.Width(), 700);
  EXPECT_EQ(s.FBox->FPicture.Height(), 170);
  EXPECT_EQ(s.FBox->FOpacity, 128);
  EXPECT_EQ(s.FText->FLeft, 60);
  EXPECT_EQ(s.FText->FTop, 420);
  EXPECT_FALSE(s.FBox->FVisible);  // the window is hidden during the wipe

  TickUntil(1);
  EXPECT_TRUE(s.FWaitKey);
  EXPECT_FALSE(s.FTimed);
  EXPECT_TRUE(s.FBox->FVisible);
  EXPECT_TRUE(s.FText->FVisible);
  EXPECT_EQ(s.FText->FPageText, Sjis("\r\nあいうえおかきくけこ\r\n"));
  EXPECT_FALSE(s.FText->FDone);  // revealed letter by letter

  // The first click completes the text, the second goes on.
  Click();
  EXPECT_TRUE(s.FText->FDone);
  EXPECT_EQ(s.FState, 1);
  const Picture shown = Frame();
  EXPECT_EQ(At(shown, 5, 5), kBackground);
  EXPECT_EQ(At(shown, 400, 200), kFigure);
  const Colour inBox = At(shown, 55, 560);  // box over the background, no letters there
  EXPECT_NE(inBox, kBackground);
  EXPECT_GT(inBox >> 16 & 0xFF, kBackground >> 16 & 0xFF);  // bluer
  int lit = 0;                                              // white letters in the first text line
  for (int x = 60; x < 400; ++x)
    for (int y = 425; y < 465; ++y) lit += (At(shown, x, y) & 0xFF) > 200;
  EXPECT_GT(lit, 50);

  Shown();
  Click();
  EXPECT_EQ(s.FState, 0);
  Tick();
  EXPECT_EQ(s.FState, 11);  // ended
  EXPECT_FALSE(s.FNamed[3]->FVisible);
  EXPECT_EQ(At(Shown(), 400, 200), kBackground);  // the figure is gone without a wipe
  Tick(3);
  EXPECT_EQ(s.FState, 11);
}

TEST_F(Story, FlatActionsFindLayersByExactTag) {
  Script({"<bustup align=align4 name=a face=b>", "<bustup align=Center name=a face=b>",
          "<layer num=3 src=a_b transparent=50>", "<k>"});
  TStory& s = Start();
  TickUntil(1);
  EXPECT_TRUE(s.FNamed[5]->FVisible);  // align4: loaded, not moved
  EXPECT_EQ(s.FNamed[5]->FLeft, 0);
  EXPECT_EQ(s.FNamed[5]->FTop, 0);
  EXPECT_FALSE(s.FNamed[3]->FVisible);  // "Center" names no layer
  EXPECT_TRUE(s.FNamed[7]->FVisible);
  EXPECT_EQ(s.FNamed[7]->FOpacity, 127);
}

TEST_F(Story, WipeRunsItsTransitionAndShiftMakesItInstant) {
  Script({"<background src=bg>", "<wipe effect=mesh time=5>", "<background src=bg2>",
          "<wipe effect=fade time=5>", "<k>"});
  TStory& s = Start();
  Tick(2);
  ASSERT_EQ(s.FState, 3);
  EXPECT_EQ(s.FEffect, 1);
  EXPECT_EQ(s.FDuration, 500);
  EXPECT_EQ(s.FCurrent, &s.FSnapshot);
  Tick();
  const Picture first = *s.FCurrent;  // part way from white to the background
  int white = 0, background = 0;
  for (int y = 0; y < 600; y += 7)
    for (int x = 0; x < 800; x += 7) {
      white += At(first, x, y) == 0xFFFFFF;
      background += At(first, x, y) == kBackground;
    }
  EXPECT_GT(white, 0);
  EXPECT_GT(background, 0);
  const int ticks = TickUntil(0);
  EXPECT_EQ(ticks, 9);  // 500 ms: progress passes 255 at the tenth tick of the wipe
  EXPECT_EQ(s.FCurrent, &s.FComposition);
  EXPECT_EQ(At(*s.FCurrent, 400, 300), kBackground);

  platform_.SetShiftDown(true);
  Tick();  // the second wipe happens at once
  EXPECT_EQ(s.FState, 1);
  EXPECT_EQ(s.FCurrent, &s.FComposition);
  EXPECT_EQ(At(s.FSnapshot, 400, 300), 0x00FF00);
  EXPECT_EQ(At(Frame(), 400, 300), 0x00FF00);
}

TEST_F(Story, TimedWaitsAutoAdvanceAndSkip) {
  Script({"<box>", "あ<k time=30>", "い<k>", "うえおかきくけこさしすせそ<wait time=x>", "<k>",
          "<end>"});
  TStory& s = Start();
  Tick(2);
  ASSERT_EQ(s.FState, 1);
  EXPECT_TRUE(s.FTimed);
  EXPECT_EQ(s.FTimer, 3000);
  EXPECT_EQ(TickUntil(0), 61);  // 3000 ms without a click

  Tick();  // い<k>: the reader only
  ASSERT_EQ(s.FState, 1);
  EXPECT_FALSE(s.FTimed);
  Tick(200);
  EXPECT_EQ(s.FState, 1);
  global_.AutoSkip = true;  // continues 2000 ms after the text is shown
  Tick();
  EXPECT_TRUE(s.FTimed);
  EXPECT_EQ(s.FTimer, 2000);
  EXPECT_EQ(TickUntil(0), 41);
  global_.AutoSkip = false;

  Tick();  // う<wait time=x>: 1000 ms, clicks do nothing
  ASSERT_EQ(s.FState, 1);
  EXPECT_FALSE(s.FWaitKey);
  EXPECT_EQ(s.FTimer, 1000);
  Click();
  Click();
  EXPECT_EQ(s.FState, 1);
  platform_.SetShiftDown(true);  // Shift completes the text and goes on, wait or not
  Tick();
  EXPECT_TRUE(s.FText->FDone);
  EXPECT_EQ(s.FState, 1);
  Tick();
  EXPECT_EQ(s.FState, 0);
  Tick();
  ASSERT_EQ(s.FState, 1);  // <k> with no text: FDone already, so one tick on
  Tick();
  EXPECT_EQ(s.FState, 0);
  Tick();
  EXPECT_EQ(s.FState, 11);
}

TEST_F(Story, SpaceHidesAndShowsTheWindowAndWhiteFlashCounts) {
  Script({"<box>", "あいう<k>", "<whiteout time=3>", "<k>"});
  TStory& s = Start();
  Tick(2);
  ASSERT_EQ(s.FState, 1);
  s.Signal(20, 32, 0);
  EXPECT_TRUE(s.FText->FDone);  // completed as well
  EXPECT_FALSE(s.FText->FVisible);
  EXPECT_FALSE(s.FBox->FVisible);
  EXPECT_EQ(s.FState, 1);
  s.Signal(20, 32, 0);
  EXPECT_TRUE(s.FText->FVisible);
  EXPECT_TRUE(s.FBox->FVisible);
  s.Signal(20, 13, 0);  // any other key advances
  EXPECT_EQ(s.FState, 0);
  Tick();
  ASSERT_EQ(s.FState, 15);
  EXPECT_EQ(s.FWhiteOut, 300);
  EXPECT_EQ(TickUntil(0), 7);  // 300 ms: below 0 at the seventh tick
}

TEST_F(Story, BoxWithAnUnknownNumberIsAScriptErrorNotACrash) {
  Script({"<box type=3 color=red transparent=100>", "<box type=9>", "<box type=x>", "<k>"});
  TStory& s = Start();
  Tick(2);
  ASSERT_EQ(s.FState, 1);
  EXPECT_EQ(s.FBoxType, 3);  // the valid box stays
  EXPECT_EQ(s.FBoxColour, 0x0000FF);
  EXPECT_EQ(s.FBoxOpacity, 256);
  EXPECT_EQ(s.FBox->FLeft, 100);
  // Each on the line of its own <box>, in the form of the other script errors.
  ASSERT_EQ(s.FScript->Errors.Count(), 2);
  EXPECT_EQ(ToUtf8(s.FScript->Errors[0]), "2ボックス番号<9>は0-7の範囲外です.");
  EXPECT_EQ(ToUtf8(s.FScript->Errors[1]), "3ボックス番号<x>は0-7の範囲外です.");
}

TEST_F(Story, EveryFifthWipeWritesTheBackupAndLeavingDeletesIt) {
  Script({"<wipe time=0>", "<wipe time=0>", "<wipe time=0>", "<wipe time=0>", "<k>",
          "<wipe time=0>", "<k>"});
  TStory& s = Start();
  Tick(2);
  ASSERT_EQ(s.FState, 1);
  EXPECT_EQ(s.FWipeCount, 4);
  EXPECT_FALSE(FileExists(global_.SaveDir + "backup"));
  s.FText->RevealAll();
  Click();
  Tick();
  EXPECT_EQ(s.FWipeCount, 5);
  ASSERT_TRUE(FileExists(global_.SaveDir + "backup"));
  const Bytes record = ReadPackedFile(global_.SaveDir + "backup");
  EXPECT_EQ(SplitCommaText(record).size(), 23u);
  EXPECT_EQ(CommaField(CommaField(record, 13), 1), "6");  // restores after the fifth wipe
  story_.reset();
  EXPECT_FALSE(FileExists(global_.SaveDir + "backup"));
}

TEST_F(Story, ClearScrollAndTheEndOfTheScript) {
  global_.FullScreen = true;
  platform_.SetScreen(ScreenRect{0, 0, 1024, 768}, DisplayMode{1024, 768, 32, 60});
  Script({"<bustup align=left name=a face=b>", "<box>", "あ<k>", "<clear>", "<scroll>", "<k>"});
  TStory& s = Start();
  EXPECT_EQ(s.FLeft, 112);  // centred on the screen
  EXPECT_EQ(s.FTop, 84);
  Tick(2);
  ASSERT_EQ(s.FState, 1);
  EXPECT_EQ(s.FNamed[2]->FLeft, 90);
  EXPECT_EQ(At(Frame(), 240, 300), kFigure);
  Shown();
  s.FText->RevealAll();
  Click();
  Tick();
  ASSERT_EQ(s.FState, 1);
  EXPECT_FALSE(s.FNamed[2]->FVisible);
  EXPECT_TRUE(s.FNamed[2]->FPictureName.empty());
  EXPECT_FALSE(s.FBox->FVisible);
  EXPECT_EQ(At(Shown(), 240, 300), 0xFFFFFF);
  EXPECT_EQ(global_.NextScene, kSceneCredits);

  // The script has run out: the scene keeps asking, and can still be saved.
  Click();
  Tick(3);
  EXPECT_EQ(s.FState, 0);
  const SaveRecord r = ParseSaveRecord(s.SaveData());
  EXPECT_EQ(global_.HandOverLine, 6);
  EXPECT_EQ(CommaField(r.position, 1), IntToStr(s.FScript->Count()));
}

TEST_F(Story, BrokenPicturesAndEndlessActionLoopsDoNotStopTheStory) {
  dir_.Write("image/broken.png", "\x89PNG\r\n\x1a\n not really");
  dir_.Write("image/cracked.png", "\x89PNG\r\n\x1a\n not either");
  Script({"<background src=broken>", "<marker name=top>", "<layer num=1 src=bg>", "<foo>",
          "<layer num=2 src=Cracked>", "<layer num=3 src=cracked>", "<layer num=1 src=bg>",
          "<a href=\"#top\">"});
  TStory& s = Start();
  Tick(2);  // returns, though the script never waits
  EXPECT_EQ(s.FState, 0);
  // The reader is told about each broken picture once, however often the
  // loop loads it; every failure is in the log.
  ASSERT_EQ(platform_.Messages().size(), 2u);
  EXPECT_GT(global_.PendingLog.Count(), 100);
  EXPECT_TRUE(s.FNamed[1]->FVisible);
  const int32_t position = s.FScript->Position;
  Tick();
  EXPECT_EQ(s.FState, 0);
  EXPECT_GT(s.FScript->Position, 0);
  EXPECT_LT(s.FScript->Position, s.FScript->Count());
  EXPECT_EQ(position, s.FScript->Position);  // whole rounds of the loop per tick
  // The bad tag met on every round is one line in the error list and the log.
  ASSERT_EQ(s.FScript->Errors.Count(), 1);
  EXPECT_EQ(ToUtf8(s.FScript->Errors[0]).rfind("4不明なコマンド<*foo>です. (", 0), 0u);
  EXPECT_GE(s.FScript->Errors[0].size(), Sjis("4不明なコマンド<*foo>です. (100回)").size());
  EXPECT_EQ(platform_.Messages().size(), 2u);
  // A new scene tells the reader again.
  story_.reset();
  Start();
  Tick(2);
  EXPECT_EQ(platform_.Messages().size(), 4u);
}

// Plays the opening through the scene manager up to its text wait.
class StoryManaged : public Story {
 protected:
  void SetUp() override {
    Story::SetUp();
    RegisterScene(kSceneLogo, [] {
      auto logo = std::make_unique<Tflat>(nullptr);
      logo->FPicture = Picture(800, 600, Picture::Format::BGR24, 0);
      logo->FVisible = true;
      return logo;
    });
    RegisterScene(kSceneTitle, [] { return std::make_unique<Tflat>(nullptr); });
    RegisterStoryScene();
    main_ = std::make_unique<TMain>();
  }
  TStory& Current() { return dynamic_cast<TStory&>(*main_->Scene); }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) main_->Tick(false);
  }
};

TEST_F(StoryManaged, SaveWritesASlotThatRestoresTheSamePicture) {
  Script(kOpening);
  global_.NextScene = kSceneStory;
  Frames(40);
  TStory& s = Current();
  ASSERT_EQ(s.FState, 1);
  for (int n = 0; n < 40 && !s.FText->FDone; ++n) Frames(1);
  ASSERT_TRUE(s.FText->FDone);
  const Picture before = platform_.Frame();
  const int32_t position = s.FScript->Position;

  WritePackedFile(global_.SaveDir + "data0", "older");
  WritePackedFile(global_.SaveDir + "data1", "older");
  EXPECT_EQ(s.SaveToFile(""), "data2");
  const Bytes record = ReadPackedFile(global_.SaveDir + "data2");
  const auto raw = ReadWholeFile(global_.SaveDir + "data2");
  ASSERT_TRUE(raw && raw->size() > 4);
  EXPECT_EQ(uint8_t((*raw)[3]), 0x5A);  // a packed text file
  const SaveRecord r = ParseSaveRecord(record);
  EXPECT_EQ(r.progressKey, ProgressKey(s.FScript->ChapterNumber, position));
  EXPECT_EQ(r.chapterTitle, s.FScript->ChapterTitle);
  EXPECT_FALSE(r.chapterTitle.empty());
  EXPECT_EQ(r.position, Sjis("脚本1") + "," + IntToStr(position));
  EXPECT_EQ(r.pageText, s.FText->FPageText);
  EXPECT_EQ(r.boxColour, 0x800000);
  EXPECT_TRUE(r.waitingForKey);
  EXPECT_EQ(global_.HandOverLine, 5);  // the line the reader is on
  // A record no loader would read back is refused, not written as a slot.
  const Bytes page = s.FText->FPageText;
  s.FText->FPageText = Bytes(kMaxSaveRecordLength, 'x');
  EXPECT_THROW(s.SaveToFile(""), DataError);
  EXPECT_FALSE(FileExists(global_.SaveDir + "data3"));
  s.FText->FPageText = page;
  // A full folder refuses the save; the last slot keeps the reader's old save.
  for (int n = 3; n <= kLastSaveSlot; ++n) WritePackedFile(global_.SaveDir + "data" + IntToStr(n), "older");
  EXPECT_THROW(s.SaveToFile(""), SaveFolderFull);
  EXPECT_EQ(ReadPackedFile(global_.SaveDir + "data1000"), "older");
  for (int n = 3; n <= kLastSaveSlot; ++n) DeleteFile(global_.SaveDir + "data" + IntToStr(n));

  // The reader goes on, then opens the save: a new story scene restores it.
  s.Signal(40, 1, 1);
  Frames(2);
  ASSERT_EQ(Current().FState, 11);
  global_.HandOver = record;
  global_.NextScene = kSceneStory;
  Frames(1);
  TStory& restored = Current();
  EXPECT_TRUE(global_.HandOver.empty());
  EXPECT_EQ(restored.FState, 16);
  EXPECT_FALSE(restored.FBox->FVisible);
  // The debugger reads the source line the story goes on from.
  EXPECT_EQ(global_.LineNo, restored.FScript->Tag(position));
  Frames(12);  // the entry transition, then the page at once
  EXPECT_EQ(restored.FState, 1);
  EXPECT_TRUE(restored.FWaitKey);
  EXPECT_TRUE(restored.FText->FDone);
  EXPECT_EQ(restored.FScript->Position, position);
  main_->PresentAll();
  const Picture& after = platform_.Frame();
  ASSERT_EQ(after.ByteSize(), before.ByteSize());
  EXPECT_EQ(0, std::memcmp(after.Data(), before.Data(), before.ByteSize()));

  // And the story goes on from there.
  restored.Signal(40, 1, 1);
  Frames(1);
  EXPECT_EQ(restored.FState, 11);
  EXPECT_FALSE(restored.FNamed[3]->FVisible);
}

TEST_F(StoryManaged, TheBackupOutlivesAVisitToTheMessageLog) {
  RegisterScene(kSceneMessageLog, [] { return std::make_unique<Tflat>(nullptr); });
  Script(kOpening);
  global_.NextScene = kSceneStory;
  Frames(40);
  ASSERT_EQ(Current().FState, 1);
  WritePackedFile(global_.SaveDir + "backup", Current().SaveData());
  global_.HandOver = Current().SaveData();
  global_.NextScene = kSceneMessageLog;
  Frames(1);
  // Should the program end by an error now, the title offers the backup.
  EXPECT_TRUE(FileExists(global_.SaveDir + "backup"));
  global_.NextScene = kSceneStory;
  Frames(1);
  ASSERT_EQ(Current().FState, 16);
  global_.NextScene = kSceneTitle;
  Frames(1);
  EXPECT_FALSE(FileExists(global_.SaveDir + "backup"));
}

TEST_F(StoryManaged, DamagedSaveIsRefusedAndNothingIsLost) {
  Script(kOpening);
  global_.NextScene = kSceneStory;
  Frames(40);
  const Bytes good = Current().SaveData();
  std::vector<Bytes> items = SplitCommaText(good);
  items[16] = "x";
  const Bytes damaged[] = {good.substr(0, good.size() * 2 / 3), JoinCommaText(items), "garbage",
                           Bytes(1, '"')};
  for (const Bytes& record : damaged) {
    WritePackedFile(global_.SaveDir + "data0", record);
    global_.HandOver = ReadPackedFile(global_.SaveDir + "data0");
    global_.NextScene = kSceneStory;
    const size_t told = platform_.Messages().size();
    ASSERT_NO_THROW(Frames(1));
    EXPECT_EQ(Current().FState, 11);
    EXPECT_EQ(platform_.Messages().size(), told + 1);
    EXPECT_EQ(global_.NextScene, kSceneTitle);
    EXPECT_TRUE(global_.HandOver.empty());
    EXPECT_EQ(ReadPackedFile(global_.SaveDir + "data0"), record);  // the save is kept
    Frames(1);
    EXPECT_EQ(main_->SceneNo, kSceneTitle);
  }
}

// The same world with the two sound channels playing through real sources.
class StorySound : public Story {
 protected:
  void SetUp() override {
    Story::SetUp();
    dir_.Write("sound/bgm01.wav", testing::PcmWave(2, 44100, std::vector<int16_t>(400000, 100)));
    for (int n = 1; n <= 5; ++n)  // a random set
      dir_.Write("sound/se" + std::to_string(n) + ".wav",
                 testing::PcmWave(2, 44100, std::vector<int16_t>(400000, 100)));
    for (int i = 0; i < 2; ++i) {
      sources_[i] = std::make_unique<TSoundSrc>(nullptr, dir_ / "sound/");
      SoundSources[i] = sources_[i].get();
      sound_.AddSource(sources_[i].get());
    }
    sound_.Enabled = true;
    sound_.Open(44100, 16, 2);
  }
  void TearDown() override {
    story_.reset();
    sound_.Close();
    for (auto& s : SoundSources) s = nullptr;
    Story::TearDown();
  }
  void Pull(int buffers) { platform_.LastAudioDevice()->PullMany(buffers); }

  TSound sound_{TSound::RefillMode::Synchronous};
  std::unique_ptr<TSoundSrc> sources_[2];
};

TEST_F(StorySound, SoundsAreSavedRestoredAndFadedWhenLeaving) {
  Script({"<bgm src=BGM01 mode=on option=loop>", "<se src=se mode=on option=random>", "<k>"});
  Start();
  Tick(2);
  Pull(1);
  ASSERT_EQ(GetSoundState(0), "bgm01.wav,0,false,true");
  const auto isVariant = [](const Bytes& state) {
    return state.size() == 19 && state.starts_with("se") && state.ends_with(".wav,1,true,true");
  };
  ASSERT_PRED1(isVariant, GetSoundState(1));
  const Bytes record = story_->SaveData();

  // Leaving for the credits keeps the music and fades the effects.
  global_.NextScene = kSceneCredits;
  story_.reset();
  Pull(30);
  EXPECT_TRUE(sources_[0]->Playing() && !sources_[0]->Finished());
  EXPECT_EQ(sources_[0]->FadeVolume(), 255);
  EXPECT_FALSE(IsSoundPlaying(1));

  // A restored story starts both again, fading in.
  PostSound(0, kSoundStop, "", 0, 0);
  Pull(1);
  global_.NextScene = 0;
  global_.HandOver = record;
  Start();
  Pull(1);
  EXPECT_EQ(GetSoundState(0), "bgm01.wav,0,false,true");
  EXPECT_LT(sources_[0]->FadeVolume(), 255);
  EXPECT_PRED1(isVariant, GetSoundState(1));

  // Leaving for any other scene fades the music out too.
  global_.NextScene = kSceneTitle;
  story_.reset();
  Pull(30);
  EXPECT_FALSE(IsSoundPlaying(0));
  EXPECT_FALSE(IsSoundPlaying(1));
}

}  // namespace
}  // namespace vantel

#include "shell/ClassMain.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <stdexcept>

#include "base/Paths.h"
#include "graphics/FuncEffect.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/ClassGlobal.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using Format = Picture::Format;
using Messages = std::vector<std::array<int32_t, 3>>;

// A scene of one colour with one widget (so it composes like real scenes),
// recording every message it receives.
struct TestScene : Tflat {
  explicit TestScene(Colour c, const char* tag = "") : Tflat(nullptr), widget(this) {
    FPicture = Picture(800, 600, Format::BGR24, c);
    FSnapshot = Picture(800, 600, Format::BGR24, 0);
    FTag = tag;
    FVisible = FActive = true;
    Show();
  }
  void Signal(int32_t code, int32_t a, int32_t b) override {
    Tflat::Signal(code, a, b);
    got.push_back({code, a, b});
  }
  Tflat widget;
  Messages got;
};

class SceneManager : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform);
    Global = &global;
    global.ExeDir = dir.Path();
    DebugMode = false;
    ResetScanCounter();
    RegisterScene(kSceneLogo, [] { return std::make_unique<TestScene>(0x0000FF); });  // red
    RegisterScene(kSceneTitle, [] { return std::make_unique<TestScene>(0x00FF00, "ttl"); });
    RegisterScene(kSceneStory, [] { return std::make_unique<TestScene>(0xFF0000, "background"); });
    RegisterScene(kSceneCredits, [] { return std::make_unique<TestScene>(0x808080); });
  }
  void TearDown() override {
    for (int n = 1; n <= 8; ++n) RegisterScene(n, nullptr);
    SetDebuggerOpener(nullptr);
    Global = nullptr;
    SetPlatform(nullptr);
    DebugMode = false;
  }
  TestScene& Scene(TMain& m) { return static_cast<TestScene&>(*m.Scene); }
  // Ticks until the scene's transition is over.
  void Settle(TMain& m) {
    for (int i = 0; i < 20 && m.Scene->FProgress < 256; ++i) m.Tick(false);
  }
  const uint8_t* Shown(int x, int y) { return platform.Frame().Pixel(x, y); }

  HeadlessPlatform platform;
  Tglobal global;
  testing::TempDir dir;
};

TEST_F(SceneManager, StartsWithTheLogoFadingInFromBlack) {
  TMain m;
  EXPECT_EQ(m.SceneNo, kSceneLogo);
  EXPECT_EQ(m.Scene->FEffect, kScan);
  EXPECT_EQ(m.Scene->FDuration, 500);
  EXPECT_TRUE(platform.Presented().empty());  // nothing to show before the first tick
  m.Tick(false);
  EXPECT_EQ(platform.Presented().size(), 12u);  // a running transition redraws every cell
  int ticks = 1;
  while (m.Scene->FProgress < 256) m.Tick(false), ++ticks;
  EXPECT_EQ(ticks, 10);  // 500 ms
  EXPECT_EQ(Shown(0, 0)[2], 0xFF);
  EXPECT_EQ(Shown(799, 599)[2], 0xFF);
  EXPECT_EQ(Shown(799, 599)[0], 0);
}

TEST_F(SceneManager, SwitchesFromTheOldFrameAndPresentsOnlyDirtyCells) {
  TMain m;
  Settle(m);
  platform.ClearPresented();
  m.Tick(false);  // nothing changed: nothing copied
  EXPECT_TRUE(platform.Presented().empty());

  global.NextScene = kSceneTitle;
  m.Tick(false);
  EXPECT_EQ(global.NextScene, 0);
  EXPECT_EQ(m.SceneNo, kSceneTitle);
  // The old frame was presented whole before the switch, and the new scene
  // starts from it: after one scan step the window is still mostly red.
  EXPECT_EQ(platform.Presented().size(), 24u);
  EXPECT_EQ(Shown(400, 301)[2], 0xFF);
  EXPECT_GT(Shown(400, 300)[2], 0x80);
  Settle(m);
  EXPECT_EQ(Shown(400, 300)[1], 0xFF);
  EXPECT_EQ(Shown(400, 300)[2], 0);

  // Runs of dirty cells, one rectangle per run, rows never merged.
  platform.ClearPresented();
  TestScene& s = Scene(m);
  s.FillDirty(0);
  s.FDirty[2][3] = s.FDirty[3][3] = s.FDirty[5][3] = 1;
  s.FDirty[15][3] = s.FDirty[15][4] = 1;
  s.FDirty[0][11] = 0x10000;  // only the low 16 bits count
  s.widget.FillDirty(0);
  const int ends = platform.EndPresentCount();
  m.Present();
  const std::vector<std::array<int, 4>> want = {
      {100, 150, 100, 50}, {250, 150, 50, 50}, {750, 150, 50, 50}, {750, 200, 50, 50}};
  std::vector<std::array<int, 4>> got;
  for (const ScreenRect& r : platform.Presented())
    got.push_back({r.left, r.top, r.width, r.height});
  EXPECT_EQ(got, want);
  EXPECT_EQ(platform.EndPresentCount(), ends + 1);
  EXPECT_EQ(s.FDirty[2][3], 0);  // presenting clears the grid
}

TEST_F(SceneManager, UnknownSceneIsAnErrorAndLeavesTheCurrentOne) {
  TMain m;
  Tflat* before = m.Scene.get();
  EXPECT_THROW(m.SwitchScene(5), std::logic_error);
  EXPECT_EQ(m.Scene.get(), before);
  EXPECT_EQ(m.SceneNo, kSceneLogo);
  RegisterScene(kSceneLogo, nullptr);
  EXPECT_THROW(TMain(), std::logic_error);
}

TEST_F(SceneManager, CreditsStartWithoutATransition) {
  TMain m;
  Settle(m);
  global.NextScene = kSceneCredits;
  m.Tick(false);
  EXPECT_EQ(m.SceneNo, kSceneCredits);
  EXPECT_EQ(m.Scene->FProgress, 256);
  EXPECT_EQ(Shown(10, 10)[0], 0x80);  // its own first picture at once
}

TEST_F(SceneManager, WhiteFlashFillsTheAreaOnlyWhenTheFirstCellIsMarked) {
  TMain m;
  Settle(m);
  TestScene& s = Scene(m);
  s.FState = 15;
  s.FillDirty(0);
  s.FDirty[0][0] = 1;
  platform.ClearPresented();
  m.Present();
  ASSERT_EQ(platform.Presented().size(), 1u);
  EXPECT_EQ(platform.Presented()[0].width, 800);
  EXPECT_EQ(Shown(400, 300)[0], 0xFF);
  EXPECT_EQ(Shown(400, 300)[1], 0xFF);
  EXPECT_FALSE(s.IsDirty(0, 0));
  // Without the first cell nothing is painted and the grid stays.
  s.FDirty[3][3] = 1;
  platform.ClearPresented();
  m.Present();
  EXPECT_TRUE(platform.Presented().empty());
  EXPECT_TRUE(s.IsDirty(3, 3));
  // The picture returns when the flash ends and the scene marks everything.
  s.FState = 0;
  m.PresentAll();
  EXPECT_EQ(Shown(400, 300)[1], 0);
}

TEST_F(SceneManager, KeysBecomeSceneMessages) {
  TMain m;
  auto& got = Scene(m).got;
  got.clear();
  m.KeyDown(67, kCtrl);  // Ctrl+C outside the title: 200, then 21
  m.KeyDown(67, kCtrl | kShift);
  m.KeyUp(67, kCtrl);  // release with exactly Ctrl: nothing
  m.KeyUp(67, kCtrl | kShift);
  m.KeyUp(32, 0);
  EXPECT_EQ(got, (Messages{{200, 0, 0}, {21, 67, 0}, {21, 67, 0}, {20, 67, 0}, {20, 32, 0}}));
  m.SwitchScene(kSceneTitle);
  Scene(m).got.clear();
  m.KeyDown(67, kCtrl);  // in a "ttl" scene only 21
  EXPECT_EQ(Scene(m).got, (Messages{{21, 67, 0}}));
}

TEST_F(SceneManager, CtrlDOpensTheDebuggerOnlyWithTheMarkerFile) {
  TMain m;
  int opened = 0;
  SetDebuggerOpener([&] { ++opened; });
  Scene(m).got.clear();
  m.KeyDown(68, kCtrl);
  EXPECT_EQ(opened, 0);
  EXPECT_FALSE(DebugMode);
  EXPECT_EQ(Scene(m).got, (Messages{{21, 68, 0}}));
  ASSERT_TRUE(MakeDirectories(dir.Path() + "SAVE"));
  std::ofstream(dir.Path() + "SAVE/Debug").put('\n');  // found in any case
  m.KeyDown(68, kCtrl);
  m.KeyDown(68, kCtrl);
  m.KeyDown(68, kCtrl | kAlt);
  EXPECT_EQ(opened, 2);  // one more window each time
  EXPECT_TRUE(DebugMode);
}

TEST_F(SceneManager, PointerAndWheelInSceneCoordinates) {
  TMain m;
  TestScene& s = Scene(m);
  s.FLeft = 112, s.FTop = 84;
  s.got.clear();
  m.MouseUp(112, 84);
  m.MouseDown(200, 100);
  m.MouseMove(113, 85);
  m.MouseWheel(-120);
  m.MouseWheel(0);
  m.MouseWheel(3);
  EXPECT_EQ(s.got, (Messages{{40, 0, 0},
                             {41, 88, 16},
                             {31, 1, 1},
                             {21, 40, 0},
                             {20, 40, 0},
                             {21, 38, 0},
                             {20, 38, 0}}));
  EXPECT_TRUE(s.FClicked);
  // A scene at the end of the int range gets the wrapped difference, as its
  // layers' own forwarding does.
  s.FLeft = INT32_MIN, s.FTop = INT32_MAX;
  s.got.clear();
  m.MouseDown(1, -1);
  EXPECT_EQ(s.got, (Messages{{41, INT32_MIN + 1, INT32_MIN}}));
  // Pointer movement over the story scene sends nothing.
  m.SwitchScene(kSceneStory);
  Scene(m).got.clear();
  m.MouseMove(10, 10);
  EXPECT_TRUE(Scene(m).got.empty());
  // Presenting places the scene at its offset in the window.
  Settle(m);
  m.Scene->FPicture.Pixel(0, 0)[1] = 0x77;
  m.Scene->FillDirty(1);
  m.Scene->FLeft = 10;
  m.Tick(false);
  EXPECT_EQ(Shown(10, 0)[1], 0x77);
  EXPECT_EQ(Shown(0, 0)[1], 0);
}

}  // namespace
}  // namespace vantel

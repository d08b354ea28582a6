// A long play: the bundled demo played through headlessly, again and again,
// in one process, with Shift held (skipping), on the player's own scenes and
// its own refill thread. After the first play and after the last one the
// heap is within 1 MB, and the player leaves no file handle or thread
// behind once it is gone. CI plays twice; VANTEL_SOAK_PLAYS sets more.
#include <malloc.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TestPaths.h"
#include "base/Paths.h"
#include "platform/headless/HeadlessPlatform.h"
#include "scenes/Class_CGlib.h"
#include "scenes/Class_End.h"
#include "scenes/Class_LOGO.h"
#include "scenes/Class_MsLog.h"
#include "scenes/Class_Scroll.h"
#include "scenes/Class_Sound.h"
#include "script/Class_Story.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "shell/Class_Title.h"
#include "shell/PlayerScenes.h"
#include "shell/UnitVantel.h"
#include "support/TempDir.h"

#include "support/Sanitized.h"

namespace vantel {
namespace {

size_t Entries(const char* dir) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

size_t HeapInUse() {
  malloc_trim(0);
  return mallinfo2().uordblks;
}

class Soak : public ::testing::Test {
 protected:
  void SetUp() override {
    // The demo's archives in a game directory of the test's own (saves go there).
    for (const char* f : {"script.chs", "image.pk2", "sound.pk2"})
      std::filesystem::create_symlink(std::string(VANTEL_GAME_DIR) + "/" + f, dir / f);
    startDir = std::filesystem::current_path();
    SetPlatform(&platform);
    platform.SetTime(10000);
    RegisterPlayerScenes();
    SetVantelHooks(WithStoryHooks({}));
  }
  void TearDown() override {
    for (int n = 1; n <= 8; ++n) RegisterScene(n, nullptr);
    SetVantelHooks({});
    std::filesystem::current_path(startDir);
    SetPlatform(nullptr);
    DebugMode = false;
  }
  // Idle rounds of 50 ms until the scene manager shows `scene`; false when
  // `limit` rounds pass first. With `click`, the reader clicks every second
  // (the credits wait for a click once they have scrolled by).
  bool RunUntil(TVantel& v, int32_t scene, int limit, bool click = false) {
    for (int i = 0; i < limit; ++i) {
      if (Main && Main->SceneNo == scene && Global->NextScene == 0) return true;
      if (click && i % 20 == 19)
        for (auto kind : {InputEvent::Kind::MouseDown, InputEvent::Kind::MouseUp}) {
          InputEvent e;
          e.kind = kind;
          e.button = MouseButton::Left;
          e.x = 400;
          e.y = 300;
          platform.PushEvent(e);
        }
      platform.Advance(50);
      v.IdleRound();
    }
    return false;
  }
  // From the title through the story and the credits back to the title.
  void Play(TVantel& v) {
    Global->NextScene = kSceneStory;
    ASSERT_TRUE(RunUntil(v, kSceneStory, 100));
    ASSERT_TRUE(RunUntil(v, kSceneCredits, 200000)) << "the story did not reach the credits";
    ASSERT_TRUE(RunUntil(v, kSceneTitle, 20000, true)) << "the credits did not return to the title";
  }

  HeadlessPlatform platform;
  testing::TempDir dir;
  std::filesystem::path startDir;
};

TEST_F(Soak, PlayingTheDemoAgainAndAgainLeavesNothingBehind) {
  const char* env = std::getenv("VANTEL_SOAK_PLAYS");
  const int plays = env ? std::max(2, std::atoi(env)) : 2;
  const size_t fds = Entries("/proc/self/fd"), threads = Entries("/proc/self/task");
  {
    TVantel::Options o;
    o.exeDir = dir.Path();
    o.estimateClock = [] { return 1000; };
    TVantel v(o);
    ASSERT_TRUE(v.StartChecks());
    v.Create();
    Global->SetActive(true);
    platform.SetShiftDown(true);
    ASSERT_TRUE(RunUntil(v, kSceneTitle, 2000)) << "the logo did not give way to the title";
    Play(v);
    ASSERT_TRUE(Global->Clear) << "the credits were not seen to the end";
    [[maybe_unused]] const size_t heap = HeapInUse();
    const size_t playFds = Entries("/proc/self/fd"), playThreads = Entries("/proc/self/task");
    for (int i = 1; i < plays && !HasFatalFailure(); ++i) Play(v);
    EXPECT_EQ(Entries("/proc/self/fd"), playFds);
    EXPECT_EQ(Entries("/proc/self/task"), playThreads);
#ifndef VANTEL_SANITIZED  // the sanitizers' allocators keep their own books
    const size_t last = HeapInUse();
    EXPECT_LT(last, heap + (1u << 20))
        << "the heap grew by " << (last - heap) << " bytes over " << plays - 1 << " plays";
#endif
    v.Teardown();
  }
  EXPECT_EQ(Entries("/proc/self/fd"), fds);
  EXPECT_EQ(Entries("/proc/self/task"), threads);
}

}  // namespace
}  // namespace vantel

// The player on the real SDL platform (offscreen video, dummy audio) with
// events pushed as a reader makes them, on a virtual clock: the platform's
// own frame pacing and the dialogs' loops advance it instead of sleeping.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "TestPaths.h"
#include "base/Paths.h"
#include "data/ClassSList.h"
#include "data/FuncFile.h"
#include "platform/sdl/DebugWindow.h"
#include "platform/sdl/SdlPlatform.h"
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
#include "shell/UnitDebug.h"
#include "shell/UnitSetting.h"
#include "shell/UnitShiori.h"
#include "shell/UnitVantel.h"
#include "sound/ClassSoundSrc.h"
#include "sound/FuncSound.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

class VirtualClockSdl : public SdlPlatform {
 public:
  uint32_t TickCount() override { return now_; }
  void Sleep(uint32_t ms) override { now_ += ms; }
  // Another player running on this machine is not this test's business.
  bool ActivateRunningInstance(const std::string&) override { return false; }

 private:
  uint32_t now_ = 1000;
};

using Frame = SdlPlatform::ModalFrame;

class VantelSdlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const char* name : {"script.chs", "image.pk2", "sound.pk2"})
      std::filesystem::copy_file(std::string(VANTEL_GAME_DIR) + "/" + name, dir / name);
    TSlist settings;  // windowed, with volumes of the reader's own
    settings.WriteString("", "FullScreen", "FALSE");
    settings.WriteString("", "Volume1", "200");
    settings.WriteString("", "Volume2", "180");
    MakeDirectories(dir / "save");
    settings.SaveToPackedFile(dir / "save/inf.dat");
    RegisterPlayerScenes();
    VantelHooks hooks;
    hooks.saveDialog = ShowSaveDialog;
    hooks.loadDialog = ShowLoadDialog;
    hooks.settingsDialog = ShowSettingsDialog;
    SetVantelHooks(WithStoryHooks(std::move(hooks)));
    SetTitleLoadCommand([] {
      if (MainForm) MainForm->PopupSClick();
    });
  }
  void TearDown() override {
    vantel.reset();
    platform.reset();
    SetPlatform(nullptr);
    for (int n = 1; n <= 8; ++n) RegisterScene(n, nullptr);
    SetVantelHooks({});
    SetTitleLoadCommand(nullptr);
    SetDebuggerOpener(nullptr);
  }

  // A player on a fresh platform; false when this machine has no SDL video.
  bool Start() {
    vantel.reset();
    platform = std::make_unique<VirtualClockSdl>();
    SetPlatform(platform.get());
    platform->SetModalObserver([this](const Frame& f) {
      ASSERT_LT(f.frame, 400) << "a modal loop that the pushed events never ended";
      if (script) script(f);
    });
    TVantel::Options o;
    o.exeDir = dir.Path();
    o.refill = TSound::RefillMode::Synchronous;
    o.estimateClock = [] { return 1000; };
    o.changeDirectory = false;
    vantel = std::make_unique<TVantel>(o);
    if (!vantel->StartChecks()) return false;
    try {
      vantel->Create();
    } catch (const std::exception&) {
      return false;  // no window: no video driver here
    }
    return true;
  }
  bool Until(const std::function<bool()>& done, int rounds) {
    for (int i = 0; i < rounds && !done(); ++i) vantel->IdleRound();
    return done();
  }
  void Rounds(int n) {
    for (int i = 0; i < n; ++i) vantel->IdleRound();
  }
  static void Push(SDL_Event e) { SDL_PushEvent(&e); }
  static void Click(int x, int y, uint8_t button = SDL_BUTTON_LEFT) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    Push(e);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = button;
    e.button.state = SDL_PRESSED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    Push(e);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.state = SDL_RELEASED;
    Push(e);
  }
  static void Key(SDL_Keycode sym, uint16_t mod = 0) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
    e.key.keysym.mod = mod;
    Push(e);
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    Push(e);
    if (mod == 0) return;
    // The modifier key is let go last.
    e.key.keysym.sym = (mod & KMOD_CTRL) ? SDLK_LCTRL : (mod & KMOD_ALT) ? SDLK_LALT : SDLK_LSHIFT;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(e.key.keysym.sym);
    e.key.keysym.mod = 0;
    Push(e);
  }
  static void Type(const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::snprintf(e.text.text, sizeof e.text.text, "%s", text);
    Push(e);
  }
  Picture Window() {
    Picture p;
    EXPECT_TRUE(platform->ReadWindow(p));
    return p;
  }
  static TStory* Story() {
    return Main && Main->SceneNo == kSceneStory ? dynamic_cast<TStory*>(Main->Scene.get())
                                                : nullptr;
  }
  // The loudest sample a source mixes over a few buffers at full master volume.
  static int Peak(int source) {
    std::lock_guard<std::recursive_mutex> lock(SoundLock());
    int peak = 0;
    for (int round = 0; round < 8; ++round) {
      std::vector<int32_t> buffer(1500, 0);
      SoundSources[source]->Mix(buffer.data(), 255, 3000);
      for (int32_t v : buffer) peak = std::max(peak, std::abs(v));
    }
    return peak;
  }

  testing::TempDir dir;
  std::unique_ptr<VirtualClockSdl> platform;
  std::unique_ptr<TVantel> vantel;
  std::function<void(const Frame&)> script;
};

TEST_F(VantelSdlTest, SaveReturnToTitleLoadAndSettingsCancel) {
  if (!Start()) GTEST_SKIP() << "no SDL video driver";
  ASSERT_TRUE(Until([] { return Main->SceneNo == kSceneTitle; }, 4000));
  Rounds(40);
  Click(350, 388);  // はじめから
  ASSERT_TRUE(Until([] { return Story() != nullptr; }, 200));
  for (int page = 0; page < 3; ++page) {
    Rounds(80);
    Click(400, 300);
  }
  ASSERT_TRUE(Until([] { return Story()->FState == 1; }, 400));
  Rounds(200);  // the page has been typed out in full
  ASSERT_EQ(Story()->FState, 1);
  const Picture atSave = Window();

  // Ctrl+S: the new save's comment is typed, stored with Enter, added with Alt+A.
  bool saveSeen = false;
  script = [&](const Frame& f) {
    if (f.what != Frame::What::Dialog) return;
    saveSeen = true;
    if (f.frame == 10) Type("by the lighthouse");
    if (f.frame == 20) Key(SDLK_RETURN);
    if (f.frame == 30) {
      EXPECT_FALSE(f.model->Closed());  // Enter stores and leaves the dialog open
      EXPECT_EQ(CommaField(ReadPackedFile(dir / "save/data0"), 2), "by the lighthouse");
      Key(SDLK_a, KMOD_LALT);
    }
  };
  Key(SDLK_s, KMOD_LCTRL);
  Rounds(2);
  ASSERT_TRUE(saveSeen);
  EXPECT_EQ(CommaField(ReadPackedFile(dir / "save/data0"), 2), "by the lighthouse");
  EXPECT_TRUE(Global->Active);

  // The menu's return to the title asks inside the window; Enter is Yes.
  bool asked = false;
  script = [&](const Frame& f) {
    if (f.what == Frame::What::Menu && f.frame == 2) Key(SDLK_r);
    if (f.what == Frame::What::Message && f.frame == 2) {
      asked = true;
      Key(SDLK_RETURN);
    }
  };
  Click(400, 300, SDL_BUTTON_RIGHT);
  ASSERT_TRUE(Until([] { return Main->SceneNo == kSceneTitle; }, 100));
  EXPECT_TRUE(asked);
  Rounds(40);

  // The title's load button lists the save; Enter opens the selected row.
  script = [&](const Frame& f) {
    if (f.what != Frame::What::Dialog || f.frame != 2) return;
    auto* form = dynamic_cast<TFormShiori*>(f.model);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Rows.size(), 1u);
    EXPECT_EQ(form->EditText, "by the lighthouse");
    Key(SDLK_RETURN);
  };
  Click(480, 428);  // つづきから
  ASSERT_TRUE(Until([] { return Story() != nullptr; }, 100));
  ASSERT_TRUE(Until([] { return Story()->FState == 1; }, 400));
  Rounds(60);
  const Picture restored = Window();
  ASSERT_EQ(restored.Width(), atSave.Width());
  int differing = 0;
  for (int y = 0; y < atSave.Height(); ++y)
    for (int x = 0; x < atSave.Width(); ++x)
      differing += std::memcmp(restored.Pixel(x, y), atSave.Pixel(x, y), 3) != 0;
  EXPECT_EQ(differing, 0);

  // Settings: both volume bars to MIN are heard at once; cancel gives the
  // sources their stored volumes back and stores nothing.
  PostSound(0, kSoundPlay, "m03", 0, 0);
  PostSound(1, kSoundPlay, "m03", 0, 0);
  ASSERT_GT(Peak(0), 0);
  ASSERT_GT(Peak(1), 0);
  script = [&](const Frame& f) {
    if (f.what != Frame::What::Dialog) return;
    // Each key a few frames after the last one was taken.
    if (f.frame == 2) Key(SDLK_TAB, KMOD_LCTRL);  // the sound page; focus on the music bar
    if (f.frame == 10) Key(SDLK_HOME);
    if (f.frame == 18) Key(SDLK_TAB);
    if (f.frame == 26) Key(SDLK_HOME);
    if (f.frame == 34) {
      auto* form = dynamic_cast<TFormSetting*>(f.model);
      ASSERT_NE(form, nullptr);
      EXPECT_EQ(form->ScrollBar1, 0);
      EXPECT_EQ(form->ScrollBar2, 0);
      EXPECT_EQ(Peak(0), 0);
      EXPECT_EQ(Peak(1), 0);
      Key(SDLK_ESCAPE);
    }
  };
  Key(SDLK_t, KMOD_LCTRL);
  Rounds(2);
  script = nullptr;
  EXPECT_EQ(Global->Volume1, 200);
  EXPECT_EQ(Global->Volume2, 180);
  EXPECT_GT(Peak(0), 0);
  EXPECT_GT(Peak(1), 0);
}

TEST_F(VantelSdlTest, BackupFromAnInterruptedStoryIsOfferedInTheWindow) {
  if (!Start()) GTEST_SKIP() << "no SDL video driver";
  ASSERT_TRUE(Until([] { return Main->SceneNo == kSceneTitle; }, 4000));
  Rounds(20);
  Click(350, 388);
  ASSERT_TRUE(Until([] { return Story() != nullptr && Story()->FState == 1; }, 400));
  const Bytes record = Story()->SaveData();
  vantel.reset();  // the story's end deletes its backup; this one stands for a crash
  WritePackedFile(dir / "save/backup", record);

  ASSERT_TRUE(Start());
  bool asked = false;
  script = [&](const Frame& f) {
    if (f.what != Frame::What::Message || f.frame != 2) return;
    asked = true;
    Key(SDLK_RETURN);  // Yes
  };
  ASSERT_TRUE(Until([] { return Story() != nullptr; }, 4000));
  EXPECT_TRUE(asked);
  // Kept while the story plays on from it: a second crash before the next
  // backup is written must still find it.
  EXPECT_TRUE(FileExists(dir / "save/backup"));
  // The story goes on from the backup's page, waiting for the reader.
  EXPECT_TRUE(Until([] { return Story()->FState == 1; }, 200));
}

TEST_F(VantelSdlTest, DebuggerWindowJumpsTheStoryToALabel) {
  WriteFileAtomic(dir / "save/debug", "");
  RegisterDebugger();
  if (!Start()) GTEST_SKIP() << "no SDL video driver";
  ASSERT_TRUE(Until([] { return Main->SceneNo == kSceneTitle; }, 4000));
  Rounds(40);
  Click(350, 388);  // はじめから
  ASSERT_TRUE(Until([] { return Story() != nullptr && Story()->FState == 1; }, 400));
  Key(SDLK_d, KMOD_CTRL);
  ASSERT_TRUE(Until([] { return !DebugForms().empty(); }, 20));
  TFormDebug* form = DebugForms().back().get();
  SDL_Window* window = platform->Debuggers()->WindowOf(*form);
  ASSERT_NE(window, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(window), "DEBUGER");
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(w, 194);
  EXPECT_EQ(h, 573);

  // The author types a target into HREF and presses JUMP, in the debugger's own window.
  const Uint32 id = SDL_GetWindowID(window);
  auto clickAt = [&](int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = id;
    e.motion.x = x;
    e.motion.y = y;
    Push(e);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = id;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = x;
    e.button.y = y;
    Push(e);
    e.type = SDL_MOUSEBUTTONUP;
    Push(e);
    for (int i = 0; i < 3; ++i) {
      Rounds(1);
      SDL_Delay(40);
    }
  };
  clickAt(80, 89);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = id;
  std::snprintf(text.text.text, sizeof text.text.text, "%s", "脚本4_2#hako");
  Push(text);
  Rounds(1);
  SDL_Delay(40);
  Rounds(1);
  EXPECT_EQ(form->JumpTarget(), Sjis("脚本4_2#hako"));
  const int32_t linesBefore = Global->LineNo;
  clickAt(150, 90);
  EXPECT_EQ(Global->ScriptName, Sjis("脚本4_2"));
  EXPECT_EQ(Story()->FScript->Tag(Story()->FScript->Position), 3);
  // The story was not stopped, and goes on from the label at the reader's click.
  EXPECT_EQ(Main->SceneNo, kSceneStory);
  Click(400, 300);
  ASSERT_TRUE(Until([] { return Global->LineNo >= 8; }, 200)) << linesBefore;
  EXPECT_EQ(Global->ScriptName, Sjis("脚本4_2"));
  EXPECT_NE(form->ScriptLine().find(Sjis("脚本4_2")), Bytes::npos);

  // The debugger's close box detaches it; the story goes on.
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.windowID = id;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  Push(close);
  Rounds(2);
  EXPECT_FALSE(Global->DebugAttached);
  EXPECT_EQ(platform->Debuggers()->WindowOf(*form), nullptr);
  EXPECT_FALSE(vantel->Closed());

  // A script dropped on the game window is loaded into the story by its name.
  SDL_Event drop{};
  drop.type = SDL_DROPFILE;
  drop.drop.file = SDL_strdup("/somewhere/else/脚本2.vxs");
  Push(drop);
  Rounds(2);
  EXPECT_EQ(Global->ScriptName, Sjis("脚本2"));
  EXPECT_EQ(Story()->FScript->Position, 0);
}

}  // namespace
}  // namespace vantel

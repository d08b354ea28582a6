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
#include "platform/sdl/ImGuiHost.h"
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
  // Everything the scenes are handed is recorded.
  bool PollEvent(InputEvent& e) override {
    if (!SdlPlatform::PollEvent(e)) return false;
    seen.push_back(e);
    return true;
  }
  std::vector<InputEvent> seen;

 private:
  uint32_t now_ = 1000;
};

using Frame = SdlPlatform::ModalFrame;

// A button pressed or let go at a point of the main window, the pointer there first.
void PressOrRelease(int x, int y, bool down, uint8_t button = SDL_BUTTON_LEFT) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = x;
  e.motion.y = y;
  e.motion.state = down ? 0 : SDL_BUTTON(button);
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.button = button;
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  SDL_PushEvent(&e);
}

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
      if (f.frame >= 400) {  // ended by force, so that the test goes on
        if (f.frame == 400) ADD_FAILURE() << "a modal loop that the pushed events never ended";
        if (f.model)
          f.model->CloseBox();
        else
          Key(SDLK_ESCAPE);
        return;
      }
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
  // The input that reached a scene since `from`: presses, releases and
  // pointer moves with a button held (none may come from a menu's,
  // dialog's or question's input).
  std::vector<std::string> Leaks(size_t from) const {
    std::vector<std::string> leaks;
    using K = InputEvent::Kind;
    for (size_t i = from; i < platform->seen.size(); ++i) {
      const InputEvent& e = platform->seen[i];
      const bool held = (e.shift & (kLeftButton | kRightButton | kMiddleButton)) != 0;
      if (e.kind == K::KeyDown || e.kind == K::KeyUp || e.kind == K::MouseDown ||
          e.kind == K::MouseUp || (e.kind == K::MouseMove && held))
        leaks.push_back("kind " + std::to_string(static_cast<int>(e.kind)) + " key " +
                        std::to_string(e.key) + " at " + std::to_string(e.x) + "," +
                        std::to_string(e.y));
    }
    return leaks;
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

// A reader's click on a target of the open menu, dialog or question: the
// press once it is drawn, the release `held` frames later (0: both within
// one frame, as an instant click arrives).
class ReaderClick {
 public:
  ReaderClick(Frame::What what, int target, int held) : what_(what), target_(target), held_(held) {}
  // A point of the window instead of a target (outside a menu).
  ReaderClick(Frame::What what, int x, int y, int held)
      : what_(what), target_(0), held_(held), x_(x), y_(y), fixed_(true) {}
  // A key (with a modifier held around it) instead of the pointer.
  static ReaderClick Key(Frame::What what, SDL_Keycode key, int held, SDL_Keycode modifier = 0) {
    ReaderClick k(what, 0, 0, held);
    k.key_ = key;
    k.modifier_ = modifier;
    return k;
  }
  void operator()(const Frame& f) {
    if (f.what != what_ || done_) return;
    if (at_ < 0) {
      const auto it = f.targets.find(target_);
      if (f.frame < 3 || (!fixed_ && it == f.targets.end())) return;
      if (!fixed_) {
        x_ = it->second.left + it->second.width / 2;
        y_ = it->second.top + it->second.height / 2;
      }
      Press(true);
      at_ = f.frame;
    }
    if (f.frame >= at_ + held_) {
      Press(false);
      done_ = true;
    }
  }
  bool Done() const { return done_; }
  bool Started() const { return at_ >= 0; }
  // Lets go of what is still held when the modal closed on the press.
  void Finish() {
    if (at_ >= 0 && !done_) Press(false);
    done_ = true;
  }

 private:
  void Press(bool down) {
    if (!key_) return PressOrRelease(x_, y_, down);
    const uint16_t mod = modifier_ == SDLK_LALT    ? KMOD_LALT
                         : modifier_ == SDLK_LCTRL ? KMOD_LCTRL
                                                   : 0;
    auto key = [&](SDL_Keycode k, bool keyDown) {
      SDL_Event e{};
      e.type = keyDown ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.state = keyDown ? SDL_PRESSED : SDL_RELEASED;
      e.key.keysym.sym = k;
      e.key.keysym.scancode = SDL_GetScancodeFromKey(k);
      e.key.keysym.mod = mod;
      SDL_PushEvent(&e);
    };
    if (down && modifier_) key(modifier_, true);
    key(key_, down);
    if (!down && modifier_) key(modifier_, false);
  }

  SDL_Keycode key_ = 0, modifier_ = 0;
  Frame::What what_;
  int target_, held_;
  int x_ = 0, y_ = 0;
  bool fixed_ = false;
  int at_ = -1;
  bool done_ = false;
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

// Every button of the menu, the dialogs and the questions, clicked as a
// reader clicks (held for several frames, or pressed and let go within one
// frame) and closed by the keyboard: each does its one thing, and nothing of
// the input that worked them reaches the story.
TEST_F(VantelSdlTest, ModalInputDoesItsOneThingAndNeverReachesTheStory) {
  if (!Start()) GTEST_SKIP() << "no SDL video driver";
  ASSERT_TRUE(Until([] { return Main->SceneNo == kSceneTitle; }, 4000));
  Rounds(40);
  Click(350, 388);  // はじめから
  ASSERT_TRUE(Until([] { return Story() != nullptr && Story()->FState == 1; }, 400));
  Rounds(200);  // the page typed out in full
  const int32_t position = Story()->FScript->Position;
  using W = Frame::What;
  const int kHeld = 6;  // frames between press and release: 90 ms
  int page = -1;        // the settings dialog's page as last drawn
  // Opens a menu, dialog or question with `open`, works it with `steps` in
  // turn, and checks that they were all made and nothing reached the story.
  auto work = [&](const char* what, const std::function<void()>& open,
                  std::vector<ReaderClick> steps) {
    SCOPED_TRACE(what);
    const int32_t at = Story()->FScript->Position;
    const bool skipping = Global->AutoSkip;
    size_t next = 0, from = 0;
    bool opened = false;
    script = [&](const Frame& f) {
      if (!opened) from = platform->seen.size();  // after the input that opened it
      opened = true;
      if (auto* form = dynamic_cast<TFormSetting*>(f.model)) page = form->Page();
      while (next < steps.size() && steps[next].Done()) ++next;
      if (next < steps.size()) steps[next](f);
    };
    open();
    Rounds(20);
    script = nullptr;
    EXPECT_TRUE(opened);
    // Each step was pressed; a press that closes (Escape, a click outside a
    // menu) is let go after the modal closed.
    for (ReaderClick& step : steps) {
      EXPECT_TRUE(step.Started());
      step.Finish();
    }
    Rounds(10);
    for (const std::string& leak : Leaks(from)) ADD_FAILURE() << "reached the story: " << leak;
    ASSERT_NE(Story(), nullptr);
    if (!skipping && !Global->AutoSkip)
      EXPECT_EQ(Story()->FScript->Position, at) << "the page turned";
  };
  const auto menu = [] { Click(400, 300, SDL_BUTTON_RIGHT); };
  const auto ctrl = [](SDL_Keycode k) { return [k] { Key(k, KMOD_LCTRL); }; };

  for (int held : {kHeld, 0}) {
    SCOPED_TRACE(held ? "held click" : "instant click");
    work("menu: cancel", menu, {{W::Menu, TVantel::kN4, held}});
    // The press outside closes the menu; its release comes after.
    work("menu: outside", menu, {{W::Menu, 40, 40, held}});
    work("menu: hide the text box", menu, {{W::Menu, TVantel::kPopUpP, held}});
    EXPECT_FALSE(Story()->FText->FVisible);
    work("menu: show it again", menu, {{W::Menu, TVantel::kPopUpP, held}});
    EXPECT_TRUE(Story()->FText->FVisible);

    // Save: add, back (the new save goes again), the close box.
    work("save: add", menu,
         {{W::Menu, TVantel::kPopupS, held}, {W::Dialog, TFormShiori::kButton1, held}});
    EXPECT_TRUE(FileExists(dir / "save/data0"));
    DeleteFile(dir / "save/data0");
    work("save: back", ctrl(SDLK_s), {{W::Dialog, TFormShiori::kButton4, held}});
    EXPECT_FALSE(FileExists(dir / "save/data0"));
    work("save: close box", ctrl(SDLK_s), {{W::Dialog, ImGuiHost::kCloseBoxTarget, held}});
    EXPECT_TRUE(FileExists(dir / "save/data0"));  // closed; the new save stays
    DeleteFile(dir / "save/data0");
    work("load: back", menu,
         {{W::Menu, TVantel::kPopupL, held}, {W::Dialog, TFormShiori::kButton4, held}});
    work("load: close box", ctrl(SDLK_l), {{W::Dialog, ImGuiHost::kCloseBoxTarget, held}});

    // Settings: each tab, then cancel; OK; the close box.
    work("settings: tabs and cancel", menu,
         {{W::Menu, TVantel::kPopUpT, held},
          {W::Dialog, ImGuiHost::kFirstTabTarget - 1, held},
          {W::Dialog, TFormSetting::kButton2, held}});
    EXPECT_EQ(page, 1);
    work("settings: back to the first tab", ctrl(SDLK_t),
         {{W::Dialog, ImGuiHost::kFirstTabTarget - 1, held},
          {W::Dialog, ImGuiHost::kFirstTabTarget, held},
          {W::Dialog, TFormSetting::kButton1, held}});
    EXPECT_EQ(page, 0);
    work("settings: close box", ctrl(SDLK_t), {{W::Dialog, ImGuiHost::kCloseBoxTarget, held}});

    // Questions answered No leave the story where it is.
    work("back to the title: no", menu,
         {{W::Menu, TVantel::kPopUpR, held}, {W::Message, MessageBoxModel::kNo, held}});
    work("end: no", menu,
         {{W::Menu, TVantel::kPopUpX, held}, {W::Message, MessageBoxModel::kNo, held}});
    EXPECT_FALSE(vantel->Closed());
    EXPECT_EQ(Story()->FScript->Position, position);
    EXPECT_TRUE(Story()->FText->FVisible);
  }
  // The settings' second tab, by an instant click, showed its page.
  work("settings: instant tab", ctrl(SDLK_t),
       {{W::Dialog, ImGuiHost::kFirstTabTarget - 1, 0},
        ReaderClick::Key(W::Dialog, SDLK_ESCAPE, kHeld)});
  EXPECT_EQ(page, 1);

  // The keyboard: Escape, Enter and Alt+A close, and their releases stay theirs.
  work("menu: escape", menu, {ReaderClick::Key(W::Menu, SDLK_ESCAPE, kHeld)});
  work("save: escape", ctrl(SDLK_s), {ReaderClick::Key(W::Dialog, SDLK_ESCAPE, kHeld)});
  work("save: alt+a", ctrl(SDLK_s), {ReaderClick::Key(W::Dialog, SDLK_a, kHeld, SDLK_LALT)});
  EXPECT_TRUE(FileExists(dir / "save/data0"));
  work("load: quick escape", ctrl(SDLK_l), {ReaderClick::Key(W::Dialog, SDLK_ESCAPE, 0)});
  work("settings: escape", ctrl(SDLK_t), {ReaderClick::Key(W::Dialog, SDLK_ESCAPE, kHeld)});
  work("end: escape", menu,
       {{W::Menu, TVantel::kPopUpX, kHeld}, ReaderClick::Key(W::Message, SDLK_ESCAPE, kHeld)});
  EXPECT_EQ(Story()->FScript->Position, position);
  EXPECT_FALSE(vantel->Closed());

  // Auto advance, chosen in the menu, is on; chosen again, off.
  work("menu: auto advance", menu, {{W::Menu, TVantel::kPopupN, kHeld}});
  EXPECT_TRUE(Global->AutoSkip);
  work("menu: auto advance off", menu, {{W::Menu, TVantel::kPopupN, 0}});
  EXPECT_FALSE(Global->AutoSkip);
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

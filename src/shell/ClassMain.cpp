#include "shell/ClassMain.h"

#include <map>
#include <stdexcept>
#include <string>

#include "base/Paths.h"
#include "graphics/FuncBmpDraw.h"
#include "graphics/FuncEffect.h"
#include "platform/Platform.h"
#include "shell/ClassGlobal.h"

namespace vantel {

TMain* Main = nullptr;

namespace {

std::map<int32_t, SceneFactory>& Factories() {
  static std::map<int32_t, SceneFactory> table;
  return table;
}

std::function<void()>& DebuggerOpener() {
  static std::function<void()> opener;
  return opener;
}

// A window coordinate in the scene's own coordinates. The scene may stand
// anywhere in the int range: the difference is taken in 64 bits and wraps
// into 32 as the layers' own forwarding does.
int32_t SceneLocal(int32_t v, int32_t origin) {
  return static_cast<int32_t>(int64_t{v} - origin);
}

bool ExactlyCtrl(uint32_t shift) {
  return shift == kCtrl;
}

// Message codes sent to scenes.
constexpr int32_t kKeyUp = 20, kKeyDown = 21, kPointerMoved = 31, kClick = 40, kButtonDown = 41,
                  kTick = 100, kCopy = 200;
constexpr int32_t kVkUp = 38, kVkDown = 40, kVkC = 67, kVkD = 68;

}  // namespace

void RegisterScene(int32_t number, SceneFactory factory) {
  if (factory)
    Factories()[number] = std::move(factory);
  else
    Factories().erase(number);
}

bool SceneRegistered(int32_t number) {
  return Factories().count(number) != 0;
}

void CentreOnScreen(Tflat& scene) {
  const ScreenRect screen = GetPlatform().ScreenSize();
  scene.SetLeft((screen.width - TMain::kWidth) / 2);
  scene.SetTop((screen.height - TMain::kHeight) / 2);
}

void SetDebuggerOpener(std::function<void()> opener) {
  DebuggerOpener() = std::move(opener);
}

TMain::TMain() {
  SwitchScene(kSceneLogo);
}

TMain::~TMain() = default;

void TMain::SwitchScene(int32_t n) {
  auto it = Factories().find(n);
  if (it == Factories().end())
    throw std::logic_error("TMain::SwitchScene: no scene is registered for number " +
                           std::to_string(n));
  Picture last(kWidth, kHeight, Picture::Format::BGR24, 0x000000);
  if (Scene) {
    PresentAll();
    Blend(last, 0, 0, *Scene->FCurrent, 0, 0, kWidth, kHeight, 255);
  }
  Scene.reset();
  Scene = it->second();
  if (!Scene)
    throw std::logic_error("TMain::SwitchScene: the factory of scene " + std::to_string(n) +
                           " made nothing");
  if (n != kSceneCredits) {
    // Every scene makes its snapshot a 24-bit 800 x 600 picture; one that
    // forgot still fades in from the old frame rather than from a blank.
    Scene->FSnapshot.SetPixelFormat(Picture::Format::BGR24);
    Scene->FSnapshot.SetSize(kWidth, kHeight);
    Blend(Scene->FSnapshot, 0, 0, last, 0, 0, kWidth, kHeight, 255);
    Scene->BeginTransition(kScan, 500);
  }
  SceneNo = n;
}

void TMain::Tick(bool late) {
  ++Ticks;
  if (late) ++LateTicks;
  if (Global && Global->NextScene != 0) {
    SwitchScene(Global->NextScene);
    Global->NextScene = 0;
  }
  if (!Scene) return;
  Scene->Signal(kTick, late ? 1 : 0, 0);
  Scene->Compose();
  Present();
}

void TMain::Present() {
  if (!Scene) return;
  Tflat& s = *Scene;
  Platform& platform = GetPlatform();
  if (s.FState == 15) {
    // The story's white flash: the whole area turns white whenever the
    // story marks the first cell again; otherwise the window is left alone.
    if (s.FDirty[0][0] > 0) {
      static const Picture white(kWidth, kHeight, Picture::Format::BGR24, 0xFFFFFF);
      platform.Present(white, ScreenRect{0, 0, kWidth, kHeight}, s.FLeft, s.FTop);
      platform.EndPresent();
      s.FillDirty(0);
    }
    return;
  }
  const Picture& frame = *s.FCurrent;
  for (int r = 0; r < Tflat::kRows; ++r) {
    int c = 0;
    while (c < Tflat::kColumns) {
      if (!s.IsDirty(c, r)) {
        ++c;
        continue;
      }
      const int c1 = c;
      while (c < Tflat::kColumns && s.IsDirty(c, r)) ++c;
      platform.Present(
          frame,
          ScreenRect{c1 * Tflat::kCell, r * Tflat::kCell, (c - c1) * Tflat::kCell, Tflat::kCell},
          s.FLeft, s.FTop);
    }
  }
  platform.EndPresent();
  s.FillDirty(0);
}

void TMain::PresentAll() {
  if (!Scene) return;
  Scene->FillDirty(1);
  Present();
}

void TMain::KeyDown(int32_t key, uint32_t shift) {
  if (!Scene) return;
  if (key == kVkD && ExactlyCtrl(shift) && Global && FileExists(Global->ExeDir + "save/debug")) {
    DebugMode = true;
    if (DebuggerOpener()) DebuggerOpener()();
  }
  if (key == kVkC && ExactlyCtrl(shift) && Scene->FTag != "ttl") Scene->Signal(kCopy, 0, 0);
  Scene->Signal(kKeyDown, key, 0);
}

void TMain::KeyUp(int32_t key, uint32_t shift) {
  if (!Scene || ExactlyCtrl(shift)) return;
  Scene->Signal(kKeyUp, key, 0);
}

void TMain::MouseDown(int32_t x, int32_t y) {
  if (Scene) Scene->Signal(kButtonDown, SceneLocal(x, Scene->FLeft), SceneLocal(y, Scene->FTop));
}

void TMain::MouseUp(int32_t x, int32_t y) {
  if (Scene) Scene->Signal(kClick, SceneLocal(x, Scene->FLeft), SceneLocal(y, Scene->FTop));
}

void TMain::MouseMove(int32_t x, int32_t y) {
  if (Scene && Scene->FTag != "background")
    Scene->Signal(kPointerMoved, SceneLocal(x, Scene->FLeft), SceneLocal(y, Scene->FTop));
}

void TMain::MouseWheel(int32_t delta) {
  if (!Scene || delta == 0) return;
  const int32_t key = delta > 0 ? kVkUp : kVkDown;
  Scene->Signal(kKeyDown, key, 0);
  Scene->Signal(kKeyUp, key, 0);
}

}  // namespace vantel

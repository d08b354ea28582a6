#include "scenes/Class_LOGO.h"

#include <climits>
#include <cstdio>

#include "platform/Platform.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

constexpr int32_t kTick = 100;
constexpr int32_t kLogoLeft = 240, kLogoTop = 180;
constexpr int32_t kNoise = 3, kDissolveMs = 100;

}  // namespace

Bytes Tlogo::FrameName(int32_t frame) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%2.2d", frame);
  return Sjis("ゼルトロゴ_000") + digits;
}

Tlogo::Tlogo() : Tflat(nullptr) {
  if (Global && Global->FullScreen) CentreOnScreen(*this);
  FVisible = true;
  FActive = true;
  LoadPicture("black");
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(TMain::kWidth, TMain::kHeight);
  FComposite = true;
  FCurrent = &FComposition;
  FComposition.SetPixelFormat(Picture::Format::BGR24);
  FComposition.SetSize(TMain::kWidth, TMain::kHeight);
  FLogo = std::make_unique<Tflat>(this);
  FLogo->SetLeft(kLogoLeft);
  FLogo->SetTop(kLogoTop);
}

// The logo layer leaves this scene's child list while the scene is intact.
Tlogo::~Tlogo() {
  FLogo.reset();
}

void Tlogo::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  // A late tick neither animates nor counts: a slow machine shows the same
  // frames, only more slowly.
  if (code == kTick && a == 1) return;
  if (code == kTick) {
    Notice.Load(*FLogo, FrameName(FFrameCount / 2));
    FLogo->FPicture.SetPixelFormat(Picture::Format::BGR24);
    // Loading a frame shows the layer again; once the logo has dissolved it
    // must stay hidden, or frames that input hurried past would come back.
    if (FMessageCount >= kDissolveAt) FLogo->FVisible = false;
    if (FFrameCount < INT32_MAX) ++FFrameCount;
  }
  if (FMessageCount == INT32_MAX) return;
  switch (++FMessageCount) {
    case kSoundAt:
      PostSound(0, kSoundPlay, Sjis("ゼルトロゴノイズSound"), 0, 1);
      break;
    case kDissolveAt:
      FLogo->FVisible = false;
      BeginTransition(kNoise, kDissolveMs);
      break;
    case kTitleAt:
      if (Global) Global->NextScene = kSceneTitle;
      break;
    default:
      break;
  }
}

void RegisterLogoScene() {
  RegisterScene(kSceneLogo, [] { return std::make_unique<Tlogo>(); });
}

}  // namespace vantel

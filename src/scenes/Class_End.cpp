#include "scenes/Class_End.h"

#include <memory>

#include "platform/Platform.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"

namespace vantel {

Tappend::Tappend() : Tflat(nullptr) {
  if (Global && Global->FullScreen) CentreOnScreen(*this);
  FActive = true;
  LoadPicture("black");
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(TMain::kWidth, TMain::kHeight);
  FComposite = true;
  FCurrent = &FComposition;
  FComposition.SetPixelFormat(Picture::Format::BGR24);
  FComposition.SetSize(TMain::kWidth, TMain::kHeight);
  FCount = 0;
}

void Tappend::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  // Messages during the entry transition do not count; the count stops at
  // the fifth, so the quit is requested once.
  if (FProgress < 256 || FCount >= kQuitAt) return;
  if (++FCount == kQuitAt && Global) Global->QuitRequested = true;
}

void RegisterEndScene() {
  RegisterScene(kSceneClosing, [] { return std::make_unique<Tappend>(); });
}

}  // namespace vantel

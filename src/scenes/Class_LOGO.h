// Class_LOGO: Tlogo, scene 6, the maker's animated logo that opens every run.
//
// Over a black picture the logo layer (at 240, 180) shows frame
// "ゼルトロゴ_000NN" (NN = on-time ticks div 2, at least two digits), so each
// frame stands for two ticks. The scene counts the messages it receives, late
// ticks excepted: at 5 it plays the logo sound on the music source, at 110 it
// hides the logo and dissolves to black (noise effect, 100 ms), at 132 it asks
// for the title. Input counts too, so moving the mouse hurries it along; it
// cannot be skipped otherwise.
//
// Depends on Tflat, PictureNotice, Global (FullScreen, NextScene), the
// platform's screen size and PostSound. Missing frame pictures show nothing;
// a damaged one shows nothing and is reported once (PictureNotice); nothing
// fails.
#pragma once

#include <cstdint>
#include <memory>

#include "base/Bytes.h"
#include "graphics/ClassFlat.h"
#include "graphics/PictureNotice.h"

namespace vantel {

class Tlogo : public Tflat {
 public:
  static constexpr int32_t kSoundAt = 5, kDissolveAt = 110, kTitleAt = 132;

  Tlogo();
  ~Tlogo() override;
  void Signal(int32_t code, int32_t a, int32_t b) override;

  // The picture name of animation frame `frame`.
  static Bytes FrameName(int32_t frame);

  std::unique_ptr<Tflat> FLogo;  // the current frame, a child at (240, 180)
  int32_t FFrameCount = 0;       // on-time ticks received
  int32_t FMessageCount = 0;     // messages received, late ticks excepted
  PictureNotice Notice;
};

// Makes scene 6 of the scene manager a Tlogo.
void RegisterLogoScene();

}  // namespace vantel

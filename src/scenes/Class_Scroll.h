// Class_Scroll: Tscroll, the credits scene (scene 8).
//
// Started by the story's "scroll" command while the closing music plays on.
// Thirty-three credit pictures rise over a black background, timed so that
// the whole stack passes in the time the background music still has to play
// (at least 50 seconds). Then the scene blends (mesh, 1000 ms) from black
// into the picture "clear" and waits for a click, which marks the story as
// completed, saves the settings and the unlock record, and asks for the
// title. A click while scrolling does nothing.
//
// Credit pictures are loaded only as they come within 200 pixels of the
// bottom edge; a missing one is a line 0 pixels high. Pictures of lines
// long past the top edge are dropped to width 1 (their height still spaces
// the stack).
//
// A damaged credit picture is a line 0 pixels high too, and a damaged
// "clear" picture ends the scroll on black; the reader is told once
// (PictureNotice).
//
// Depends on Tflat, PictureNotice, the image loader, FuncSound
// (GetSoundRemaining), Global (FullScreen, Clear, SaveSettings, NextScene)
// and the platform's screen size.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/Bytes.h"
#include "graphics/ClassFlat.h"
#include "graphics/PictureNotice.h"

namespace vantel {

class Tscroll : public Tflat {
 public:
  static constexpr int kLineCount = 33;
  static constexpr int32_t kMinTicks = 1000;

  explicit Tscroll(Tflat* parent);
  ~Tscroll() override;

  void Signal(int32_t code, int32_t a, int32_t b) override;

  // The credit picture names, in order.
  static std::vector<Bytes> CreditNames();

  std::vector<std::unique_ptr<Tflat>> FLines;  // one layer per credit line
  int32_t FTicks = 0;       // ticks since the scroll (state 1: the final blend) began
  int32_t FTotalTicks = 0;  // length of the whole scroll in ticks
  std::vector<Bytes> FNames;
  PictureNotice Notice;

 private:
  void Scroll(bool late);
};

// Makes scene 8 the credits scroll.
void RegisterScrollScene();

}  // namespace vantel

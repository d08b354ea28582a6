// Where the 800x600 picture sits in the window and when the window is
// shown again; no SDL here, so the arithmetic is tested headless.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace vantel {

// The picture scaled to fit an output of outW x outH with its aspect kept,
// centred with a black surround.
ScreenRect PlacePicture(int outW, int outH, int frameW, int frameH);

// A window point (in the output's pixels) back in the picture's space; points
// on the surround are clamped to the picture's nearest edge pixel.
void WindowToFrame(const ScreenRect& place, int frameW, int frameH, int& x, int& y);
// And the other way, for moving the pointer to a picture point.
void FrameToWindow(const ScreenRect& place, int frameW, int frameH, int& x, int& y);

// The window's integer scale: `requested` when it is 1 or more and fits the
// desktop (the largest that fits, at least 1, when it does not); otherwise
// the largest that fits the usable desktop when the picture at 1x covers
// under a quarter of it, else 1.
int ChooseWindowScale(int requested, int desktopW, int desktopH, int frameW, int frameH);

// "--scale N": a whole number from 1 to 16. False for anything else.
bool ParseScale(const std::string& text, int& scale);

// Whether a GL_RENDERER string names a rasteriser that runs on the CPU.
bool IsSoftwareGl(const std::string& glRenderer);

// When the window is shown: after changed rows reached the texture, or the
// window was exposed, resized or rescaled. A tick that changed nothing shows
// nothing, unless every tick is to be shown (the old behaviour, kept as a
// baseline for measuring).
class PresentGate {
 public:
  explicit PresentGate(bool everyTick = false) : everyTick_(everyTick) {}
  void Changed() { pending_ = true; }
  void Exposed() { pending_ = true; }
  // True when the window should be shown now; clears the request.
  bool Take() {
    const bool show = pending_ || everyTick_;
    pending_ = false;
    return show;
  }
  bool EveryTick() const { return everyTick_; }

 private:
  bool everyTick_;
  bool pending_ = true;  // the first frame is always shown
};

}  // namespace vantel

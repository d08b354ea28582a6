// Class_End: Tappend, scene 7, the closing screen.
//
// A black scene that the scene manager fades in from the last frame. Once
// that entry transition has finished, the scene counts the messages it
// receives (ticks and input alike); at the fifth it sets Global's
// QuitRequested, once, and the main window's frame loop closes the program.
//
// Depends on Tflat, Global (FullScreen, QuitRequested) and the platform's
// screen size. Fails: never.
#pragma once

#include <cstdint>

#include "graphics/ClassFlat.h"

namespace vantel {

class Tappend : public Tflat {
 public:
  static constexpr int32_t kQuitAt = 5;

  Tappend();
  void Signal(int32_t code, int32_t a, int32_t b) override;

  int32_t FCount = 0;  // messages counted since the entry transition ended
};

// Makes scene 7 of the scene manager a Tappend.
void RegisterEndScene();

}  // namespace vantel

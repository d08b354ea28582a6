// ClassFlatBtn: TFlatBtn, the clickable picture of the menus (title, message
// log, gallery, music room).
//
// A button owns its pictures: a loop of animation frames shown while idle,
// then the picture shown while the pointer is over it, then the picture shown
// while it is pressed. The pointer reaches it through the layer base's
// hit-tested forwarding; a virtual key (FKey) can work it too. A click only
// raises FClicked; the owning scene polls the flag, acts and clears it.
//
// Looks: a key release clicks and shows the pressed picture for three ticks;
// a key press that repeats while that look lasts clicks again. A mouse press
// over the button makes the pressed picture its hover look until the pointer
// leaves. Each tick advances the idle animation by one frame.
//
// Depends on Tflat and LoadImage (a missing picture stays 0 x 0, so the
// button is drawn as nothing and never hit). A picture that cannot be
// decoded is treated as missing, and its name and the reason are kept in
// FDamaged for the owning scene to report: a damaged look must not take the
// menu down. Fails: creating a button with fewer than 2 or more than 21
// pictures throws std::invalid_argument.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/Bytes.h"
#include "base/Picture.h"
#include "graphics/ClassFlat.h"

namespace vantel {

class TFlatBtn : public Tflat {
 public:
  static constexpr int kMaxPictures = 21;
  static constexpr int32_t kPressTicks = 3;

  // Loads one picture per name (frames, over, pressed) and shows picture 0.
  TFlatBtn(Tflat* parent, const std::vector<Bytes>& names);

  void Signal(int32_t code, int32_t a, int32_t b) override;

  // Picture `index` (0 ... FCount - 1), for owners and tests that compare looks.
  const Picture& PictureAt(int index) const { return FPictures[size_t(index)]; }
  // Index of the picture FCurrent shows.
  int CurrentIndex() const;

  std::vector<Picture> FPictures;  // sized once at creation: FCurrent points into it
  int32_t FCount = 0;
  int32_t FFrame = 0;       // animation frame, 0 ... FCount - 3
  int32_t FPressTimer = 0;  // ticks left in the pressed look; negative when idle
  int32_t FKey = 0;         // virtual key code that works the button; 0 = none
  int32_t FOverIndex = 0;   // hover look: FCount - 2 (over) or FCount - 1 (pressed)
  bool FEnabled = true;     // owners clear it to make the button ignore presses
  // The pictures that could not be decoded: name and reason, in load order.
  std::vector<std::pair<Bytes, std::string>> FDamaged;

 private:
  void Press();
  void Tick();
};

}  // namespace vantel

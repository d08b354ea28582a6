// A game controller as the reader's mouse and keys, without SDL so the
// mapping is tested on synthetic events: A clicks where the pointer is (and
// so advances the story), B and Start right-click there (the pop-up menu),
// the d-pad gives the arrow keys, the left stick moves the pointer across the
// picture (over the buttons), the left shoulder held is Shift (skipping) and
// the right shoulder hides or shows the text box (Space).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Platform.h"

namespace vantel {

enum class PadButton {
  A,
  B,
  Start,
  DpadUp,
  DpadDown,
  DpadLeft,
  DpadRight,
  LeftShoulder,
  RightShoulder,
  Other,
};

class GamepadMap {
 public:
  GamepadMap(int frameW, int frameH);

  // A button went down or up: the events the reader's mouse and keys would make.
  void Button(PadButton button, bool down, std::vector<InputEvent>& out);
  // The left stick's axes, -32768 ... 32767 (SDL's range); 0 is x, 1 is y.
  void Axis(int axis, int value);
  // Time passes: the stick moves the pointer by its deflection, up to 600
  // picture pixels a second; one MouseMove when the pointer moved.
  void Step(uint32_t ms, std::vector<InputEvent>& out);
  // The mouse moved: the pad's pointer goes on from there.
  void SetPointer(int x, int y);
  // The controller went away: whatever it held is let go, with no events.
  void Release();

  bool ShiftHeld() const { return shiftHeld_; }
  bool StickDeflected() const { return stickX_ != 0 || stickY_ != 0; }
  int PointerX() const { return x_; }
  int PointerY() const { return y_; }

 private:
  InputEvent Mouse(InputEvent::Kind kind, MouseButton button) const;
  InputEvent Key(InputEvent::Kind kind, int key) const;
  uint32_t Shift() const;

  int frameW_, frameH_;
  int x_, y_;
  int stickX_ = 0, stickY_ = 0;  // after the dead zone
  double carryX_ = 0, carryY_ = 0;
  bool shiftHeld_ = false;
  bool aHeld_ = false;
  bool held_[static_cast<int>(PadButton::Other)] = {};
};

}  // namespace vantel

#include "platform/sdl/GamepadMap.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace vantel {
namespace {

constexpr int kDeadZone = 8000;  // a resting stick never drifts the pointer
constexpr double kPixelsPerSecond = 600.0;
constexpr int kVkSpace = 32, kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40;

int ArrowKey(PadButton b) {
  switch (b) {
    case PadButton::DpadLeft:
      return kVkLeft;
    case PadButton::DpadUp:
      return kVkUp;
    case PadButton::DpadRight:
      return kVkRight;
    case PadButton::DpadDown:
      return kVkDown;
    default:
      return 0;
  }
}

}  // namespace

GamepadMap::GamepadMap(int frameW, int frameH)
    : frameW_(frameW), frameH_(frameH), x_(frameW / 2), y_(frameH / 2) {}

uint32_t GamepadMap::Shift() const {
  return (shiftHeld_ ? kShift : 0u) | (aHeld_ ? kLeftButton : 0u);
}

InputEvent GamepadMap::Mouse(InputEvent::Kind kind, MouseButton button) const {
  InputEvent e;
  e.kind = kind;
  e.button = button;
  e.x = x_;
  e.y = y_;
  e.shift = Shift();
  return e;
}

InputEvent GamepadMap::Key(InputEvent::Kind kind, int key) const {
  InputEvent e;
  e.kind = kind;
  e.key = key;
  e.shift = Shift() & kShift;
  return e;
}

void GamepadMap::Button(PadButton button, bool down, std::vector<InputEvent>& out) {
  if (button == PadButton::Other) return;
  bool& held = held_[static_cast<int>(button)];
  if (held == down) return;  // a repeated report changes nothing
  held = down;
  const auto press = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
  switch (button) {
    case PadButton::A:
      aHeld_ = down;
      out.push_back(
          Mouse(down ? InputEvent::Kind::MouseDown : InputEvent::Kind::MouseUp, MouseButton::Left));
      break;
    case PadButton::B:
    case PadButton::Start:
      // The menu opens on the release, as with the right mouse button.
      out.push_back(Mouse(down ? InputEvent::Kind::MouseDown : InputEvent::Kind::MouseUp,
                          MouseButton::Right));
      break;
    case PadButton::DpadUp:
    case PadButton::DpadDown:
    case PadButton::DpadLeft:
    case PadButton::DpadRight:
      out.push_back(Key(press, ArrowKey(button)));
      break;
    case PadButton::LeftShoulder:
      shiftHeld_ = down;
      break;
    case PadButton::RightShoulder:
      // Space acts on the press (the menu's shortcut); the release is held back by the window.
      out.push_back(Key(press, kVkSpace));
      break;
    case PadButton::Other:
      break;
  }
}

void GamepadMap::Axis(int axis, int value) {
  const int v = std::abs(value) < kDeadZone ? 0 : value;
  if (axis == 0) stickX_ = v;
  if (axis == 1) stickY_ = v;
  if (stickX_ == 0) carryX_ = 0;
  if (stickY_ == 0) carryY_ = 0;
}

void GamepadMap::Step(uint32_t ms, std::vector<InputEvent>& out) {
  if (!StickDeflected() || ms == 0) return;
  ms = std::min<uint32_t>(ms, 100);  // a stall does not fling the pointer across
  // Speed grows with the deflection past the dead zone, so small moves are fine.
  auto speed = [](int v) {
    const double f = (std::abs(v) - kDeadZone) / (32767.0 - kDeadZone);
    return (v < 0 ? -1 : 1) * std::clamp(f, 0.0, 1.0) * kPixelsPerSecond;
  };
  carryX_ += stickX_ ? speed(stickX_) * ms / 1000.0 : 0;
  carryY_ += stickY_ ? speed(stickY_) * ms / 1000.0 : 0;
  const int dx = static_cast<int>(carryX_), dy = static_cast<int>(carryY_);
  carryX_ -= dx;
  carryY_ -= dy;
  const int nx = std::clamp(x_ + dx, 0, frameW_ - 1), ny = std::clamp(y_ + dy, 0, frameH_ - 1);
  if (nx == x_ && ny == y_) return;
  x_ = nx;
  y_ = ny;
  out.push_back(Mouse(InputEvent::Kind::MouseMove, MouseButton::Left));
}

void GamepadMap::SetPointer(int x, int y) {
  x_ = std::clamp(x, 0, frameW_ - 1);
  y_ = std::clamp(y, 0, frameH_ - 1);
}

void GamepadMap::Release() {
  // Silently: a release made up now would click, open the menu or hide the text box.
  std::fill(std::begin(held_), std::end(held_), false);
  shiftHeld_ = aHeld_ = false;
  stickX_ = stickY_ = 0;
  carryX_ = carryY_ = 0;
}

}  // namespace vantel

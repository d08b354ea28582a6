#include "platform/sdl/EventRouting.h"

#include "platform/sdl/FrameView.h"
#include "platform/sdl/SdlKeys.h"

namespace vantel {
namespace {

uint32_t ButtonBits(uint32_t sdlButtons) {
  uint32_t s = 0;
  if (sdlButtons & SDL_BUTTON_LMASK) s |= kLeftButton;
  if (sdlButtons & SDL_BUTTON_RMASK) s |= kRightButton;
  if (sdlButtons & SDL_BUTTON_MMASK) s |= kMiddleButton;
  return s;
}

bool IsShiftKey(SDL_Keycode k) {
  return k == SDLK_LSHIFT || k == SDLK_RSHIFT;
}

}  // namespace

void EventRouter::TakenByModal(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_KEYDOWN:
      modalKeys_.insert(ev.key.keysym.sym);
      break;
    case SDL_KEYUP:
      modalKeys_.erase(ev.key.keysym.sym);
      break;
    case SDL_MOUSEBUTTONDOWN:
      modalButtons_ |= SDL_BUTTON(ev.button.button);
      break;
    case SDL_MOUSEBUTTONUP:
      modalButtons_ &= ~SDL_BUTTON(ev.button.button);
      break;
    default:
      break;
  }
}

void EventRouter::TakenElsewhere(const SDL_Event& ev) {
  if ((ev.type == SDL_KEYDOWN || ev.type == SDL_KEYUP) && IsShiftKey(ev.key.keysym.sym))
    shiftElsewhere_ = ev.type == SDL_KEYDOWN;
}

bool EventRouter::ForScene(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_KEYDOWN:
      if (IsShiftKey(ev.key.keysym.sym)) shiftElsewhere_ = false;
      return modalKeys_.count(ev.key.keysym.sym) == 0;  // a held key's repeats
    case SDL_KEYUP:
      if (IsShiftKey(ev.key.keysym.sym)) shiftElsewhere_ = false;
      return modalKeys_.erase(ev.key.keysym.sym) == 0;
    case SDL_MOUSEBUTTONDOWN:
      // A new press is the scene's again, whatever the modal held.
      modalButtons_ &= ~SDL_BUTTON(ev.button.button);
      return true;
    case SDL_MOUSEBUTTONUP: {
      const uint32_t bit = SDL_BUTTON(ev.button.button);
      const bool mine = (modalButtons_ & bit) == 0;
      modalButtons_ &= ~bit;
      return mine;
    }
    default:
      return true;
  }
}

bool EventRouter::Translate(const SDL_Event& ev, const Place& place, uint32_t padShift,
                            InputEvent& e) {
  e = InputEvent{};
  const uint32_t held = ButtonBits(SceneButtons(SDL_GetMouseState(nullptr, nullptr)));
  switch (ev.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      e.kind = ev.type == SDL_KEYDOWN ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
      e.key = VirtualKey(ev.key.keysym.sym);
      if (e.key == 0) return false;
      // The modifiers as they were with this key, not as they are now.
      e.shift = ShiftOfMod(ev.key.keysym.mod) | padShift | held;
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      e.kind =
          ev.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::MouseDown : InputEvent::Kind::MouseUp;
      e.button = ButtonOf(ev.button.button);
      e.x = ev.button.x;
      e.y = ev.button.y;
      WindowToFrame(place.picture, place.frameWidth, place.frameHeight, e.x, e.y);
      e.shift = ShiftOfMod(SDL_GetModState()) | held | padShift;
      return true;
    case SDL_MOUSEMOTION:
      e.kind = InputEvent::Kind::MouseMove;
      e.x = ev.motion.x;
      e.y = ev.motion.y;
      WindowToFrame(place.picture, place.frameWidth, place.frameHeight, e.x, e.y);
      e.shift =
          ShiftOfMod(SDL_GetModState()) | ButtonBits(SceneButtons(ev.motion.state)) | padShift;
      return true;
    case SDL_MOUSEWHEEL:
      if (ev.wheel.y == 0) return false;
      e.kind = InputEvent::Kind::Wheel;
      e.wheel = (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev.wheel.y : ev.wheel.y) * 120;
      return true;
    case SDL_DROPBEGIN:
      dropping_ = true;
      dropped_.clear();
      return false;
    case SDL_DROPFILE:
      if (ev.drop.file) dropped_.push_back(ev.drop.file);
      SDL_free(ev.drop.file);
      if (dropping_) return false;  // more may follow until the drop completes
      [[fallthrough]];
    case SDL_DROPCOMPLETE:
      dropping_ = false;
      if (dropped_.empty()) return false;
      e.kind = InputEvent::Kind::DropFiles;
      e.files.swap(dropped_);
      dropped_.clear();
      return true;
    default:
      return false;
  }
}

}  // namespace vantel

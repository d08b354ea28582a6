#include "platform/sdl/SdlKeys.h"

namespace vantel {

int VirtualKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return 112 + (k - SDLK_F1);
  switch (k) {
    case SDLK_BACKSPACE:
      return 8;
    case SDLK_TAB:
      return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return 13;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return 16;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return 17;
    case SDLK_LALT:
    case SDLK_RALT:
      return 18;
    case SDLK_PAUSE:
      return 19;
    case SDLK_ESCAPE:
      return 27;
    case SDLK_SPACE:
      return 32;
    case SDLK_PAGEUP:
      return 33;
    case SDLK_PAGEDOWN:
      return 34;
    case SDLK_END:
      return 35;
    case SDLK_HOME:
      return 36;
    case SDLK_LEFT:
      return 37;
    case SDLK_UP:
      return 38;
    case SDLK_RIGHT:
      return 39;
    case SDLK_DOWN:
      return 40;
    case SDLK_INSERT:
      return 45;
    case SDLK_DELETE:
      return 46;
    default:
      return 0;
  }
}

uint32_t ShiftOfMod(uint16_t mod) {
  uint32_t s = 0;
  if (mod & KMOD_SHIFT) s |= kShift;
  if (mod & KMOD_ALT) s |= kAlt;
  if (mod & KMOD_CTRL) s |= kCtrl;
  return s;
}

void MapImGuiKeys(ImGuiIO& io) {
  io.KeyMap[ImGuiKey_Tab] = SDL_SCANCODE_TAB;
  io.KeyMap[ImGuiKey_LeftArrow] = SDL_SCANCODE_LEFT;
  io.KeyMap[ImGuiKey_RightArrow] = SDL_SCANCODE_RIGHT;
  io.KeyMap[ImGuiKey_UpArrow] = SDL_SCANCODE_UP;
  io.KeyMap[ImGuiKey_DownArrow] = SDL_SCANCODE_DOWN;
  io.KeyMap[ImGuiKey_PageUp] = SDL_SCANCODE_PAGEUP;
  io.KeyMap[ImGuiKey_PageDown] = SDL_SCANCODE_PAGEDOWN;
  io.KeyMap[ImGuiKey_Home] = SDL_SCANCODE_HOME;
  io.KeyMap[ImGuiKey_End] = SDL_SCANCODE_END;
  io.KeyMap[ImGuiKey_Insert] = SDL_SCANCODE_INSERT;
  io.KeyMap[ImGuiKey_Delete] = SDL_SCANCODE_DELETE;
  io.KeyMap[ImGuiKey_Backspace] = SDL_SCANCODE_BACKSPACE;
  io.KeyMap[ImGuiKey_Space] = SDL_SCANCODE_SPACE;
  io.KeyMap[ImGuiKey_Enter] = SDL_SCANCODE_RETURN;
  io.KeyMap[ImGuiKey_Escape] = SDL_SCANCODE_ESCAPE;
  io.KeyMap[ImGuiKey_KeyPadEnter] = SDL_SCANCODE_KP_ENTER;
  io.KeyMap[ImGuiKey_A] = SDL_SCANCODE_A;
  io.KeyMap[ImGuiKey_C] = SDL_SCANCODE_C;
  io.KeyMap[ImGuiKey_V] = SDL_SCANCODE_V;
  io.KeyMap[ImGuiKey_X] = SDL_SCANCODE_X;
  io.KeyMap[ImGuiKey_Y] = SDL_SCANCODE_Y;
  io.KeyMap[ImGuiKey_Z] = SDL_SCANCODE_Z;
}

bool PadKeyOf(uint8_t sdlButton, SDL_Keycode& key, bool& shift) {
  shift = false;
  switch (sdlButton) {
    case SDL_CONTROLLER_BUTTON_A:
      key = SDLK_RETURN;
      return true;
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_START:
      key = SDLK_ESCAPE;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      key = SDLK_UP;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      key = SDLK_DOWN;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      key = SDLK_LEFT;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      key = SDLK_RIGHT;
      return true;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      shift = true;
      key = SDLK_TAB;
      return true;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      key = SDLK_TAB;
      return true;
    default:
      return false;
  }
}

PadButton PadButtonOf(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_CONTROLLER_BUTTON_A:
      return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B:
      return PadButton::B;
    case SDL_CONTROLLER_BUTTON_START:
      return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return PadButton::DpadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return PadButton::DpadDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return PadButton::DpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return PadButton::DpadRight;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      return PadButton::LeftShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      return PadButton::RightShoulder;
    default:
      return PadButton::Other;
  }
}

MouseButton ButtonOf(uint8_t b) {
  return b == SDL_BUTTON_RIGHT    ? MouseButton::Right
         : b == SDL_BUTTON_MIDDLE ? MouseButton::Middle
                                  : MouseButton::Left;
}

}  // namespace vantel

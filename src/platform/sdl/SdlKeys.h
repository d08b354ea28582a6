// SDL's keys, buttons and modifiers in the system's own terms: virtual key
// codes (Windows numbering), ShiftFlag bits, mouse and controller buttons;
// and the keys ImGui needs to know. Pure mapping, no state.
//
// Depends on SDL2 and Dear ImGui's IO structure.
#pragma once

#include <SDL.h>
#include <imgui.h>

#include <cstdint>

#include "platform/Platform.h"
#include "platform/sdl/GamepadMap.h"

namespace vantel {

// SDL key codes to the system's virtual key codes; 0: none.
int VirtualKey(SDL_Keycode k);
// SDL modifier state to ShiftFlag bits.
uint32_t ShiftOfMod(uint16_t mod);
// An SDL mouse button as the system's.
MouseButton ButtonOf(uint8_t sdlButton);
// An SDL controller button as the mapping's.
PadButton PadButtonOf(uint8_t sdlButton);

// Maps the keys the dialogs and the debugger use to SDL scancodes.
void MapImGuiKeys(ImGuiIO& io);

// In a menu or dialog a game controller is the keyboard: A is Enter, B and
// Start are Escape, the d-pad and the left stick are the arrow keys, the
// right shoulder is Tab and the left one Shift+Tab. False: a button with no key.
bool PadKeyOf(uint8_t sdlButton, SDL_Keycode& key, bool& shift);

}  // namespace vantel

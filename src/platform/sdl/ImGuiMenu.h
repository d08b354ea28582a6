// The pop-up menu of the SDL platform, drawn with Dear ImGui over the
// window's current frame as a modal loop: it returns when an item is
// chosen, when the reader clicks outside the menu or presses Escape, or when
// the window is asked to close (the close request is put back for the
// program). Captions arrive in GBK and are shown with a CJK face found
// through fontconfig (Noto Sans CJK); '&' mnemonic markers are dropped.
//
// Depends on SDL2, Dear ImGui and its SDL backends, fontconfig. Only the
// SDL platform uses it. Fails soft: without a usable font ImGui's own font
// is used (CJK captions then show as boxes), without a window it returns -1.
#pragma once

#include <vector>

#include "platform/Platform.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace vantel {

// The caption as the menu shows it: UTF-8, '&' markers dropped ("&&" is a '&').
std::string MenuLabel(const Bytes& gbkCaption);

// Runs the menu at window point (x, y) of the 800x600 frame; the chosen
// item's id, or -1.
int RunImGuiMenu(SDL_Window* window, SDL_Renderer* renderer, SDL_Texture* frame, int frameWidth,
                 int frameHeight, const std::vector<MenuItem>& items, int x, int y);

}  // namespace vantel

// What the window system itself says about a window, where SDL's own idea
// can be ahead of it: SDL records a full-screen window as covering the
// display as soon as it asks, whether or not a window manager carried the
// request out.
#pragma once

#include <string>

struct SDL_Window;

namespace vantel {

// The window's client size as the window system has it: asked of the X
// server on X11, SDL's size elsewhere (Wayland's compositor configures the
// window before SDL reports a size).
void WindowSystemSize(SDL_Window* window, int& width, int& height);

// Sets X11's legacy WM_NAME to the caption, decodable by old clients (SDL
// sets _NET_WM_NAME). Nothing elsewhere.
void SetLegacyWindowName(SDL_Window* window, const std::string& utf8);

}  // namespace vantel

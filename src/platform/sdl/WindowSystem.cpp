// Kept apart from the rest of the platform: Xlib's header defines macros
// (None, Bool, Status …) that collide with ordinary names.
#include "platform/sdl/WindowSystem.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <X11/Xlib.h>

namespace vantel {

void WindowSystemSize(SDL_Window* window, int& width, int& height) {
  SDL_GetWindowSize(window, &width, &height);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  XWindowAttributes attributes;
  // A round trip: the answer is the server's current state, not a cached one.
  if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) != 0) {
    width = attributes.width;
    height = attributes.height;
  }
}

}  // namespace vantel

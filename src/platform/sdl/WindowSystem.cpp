// Kept apart from the rest of the platform: Xlib's header defines macros
// (None, Bool, Status …) that collide with ordinary names.
#include "platform/sdl/WindowSystem.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

void SetLegacyWindowName(SDL_Window* window, const std::string& utf8) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  // WM_NAME as compound text (plain Latin-1 when it fits), which every
  // window list and xdotool decode; UTF-8 bytes there read as mojibake.
  char* list[] = {const_cast<char*>(utf8.c_str())};
  XTextProperty name{};
  if (Xutf8TextListToTextProperty(info.info.x11.display, list, 1, XStdICCTextStyle, &name) !=
      Success)
    return;
  XSetWMName(info.info.x11.display, info.info.x11.window, &name);
  XSetWMIconName(info.info.x11.display, info.info.x11.window, &name);
  XFree(name.value);
  XFlush(info.info.x11.display);
}

}  // namespace vantel

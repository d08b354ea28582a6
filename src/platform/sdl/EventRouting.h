// Where each SDL event of the main window goes. While a modal menu, dialog
// or question is open, every event is the modal's; a key or button whose
// press the modal took stays the modal's until it is let go, so its release
// (and the repeats of a held key) never reach a scene, even when they come
// after the modal closed, and the held-button state a scene sees leaves
// such buttons out. A Shift pressed in another of the program's windows
// (the debugger's) is not the story's Shift.
//
// Also turns the scene's SDL events into the platform's InputEvents, with
// pointer positions mapped back into the picture and files dropped together
// (SDL_DROPBEGIN ... SDL_DROPCOMPLETE) handed over as one drop.
//
// Depends on SDL2 only. Main thread only.
#pragma once

#include <SDL.h>

#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vantel {

class EventRouter {
 public:
  // The modal took `ev`: presses become the modal's, releases end that.
  void TakenByModal(const SDL_Event& ev);
  // Another window of the program took `ev` (a debugger's).
  void TakenElsewhere(const SDL_Event& ev);
  // False when `ev` belongs to a modal that took its press: swallow it.
  bool ForScene(const SDL_Event& ev);

  // Mouse buttons held (SDL_BUTTON masks) as a scene may see them.
  uint32_t SceneButtons(uint32_t sdlButtons) const { return sdlButtons & ~modalButtons_; }
  // Whether Shift (held as SDL says) is the story's to see.
  bool SceneShift(bool shiftHeld) const { return shiftHeld && !shiftElsewhere_; }

  // Where the picture sits in the window, for pointer positions.
  struct Place {
    ScreenRect picture{0, 0, 800, 600};
    int frameWidth = 800, frameHeight = 600;
  };
  // The scene's event as an InputEvent; false when it makes none (yet:
  // dropped files wait for the end of their drop). `padShift` is the
  // controller's Shift.
  bool Translate(const SDL_Event& ev, const Place& place, uint32_t padShift, InputEvent& e);

 private:
  std::set<SDL_Keycode> modalKeys_;
  uint32_t modalButtons_ = 0;
  bool shiftElsewhere_ = false;
  bool dropping_ = false;
  std::vector<std::string> dropped_;
};

}  // namespace vantel

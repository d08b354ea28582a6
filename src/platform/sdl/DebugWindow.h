// The debugger's tool windows on SDL: each a second SDL window of its own
// ("DEBUGER", black background) with a renderer and a Dear ImGui context of
// its own, drawn from the main window's event loop between the story's
// frames, so the story never waits for it. The main window's event loop
// hands every event here first; events of a debugger window go to its ImGui
// context and never reach the story.
//
// Focus moving from the main window into a debugger window is reported as
// the application's activation again (the story keeps running: it is the
// same application), and the main window's close box, which SDL reports as
// a window event once a second window exists, is reported as the close
// request. A window that cannot be made leaves the debugger closed.
//
// Each window draws with the renderer kind the main window chose (SDL's
// software renderer where the main window has it) and keeps a glyph atlas
// of the characters it shows (UiFont).
//
// Depends on SDL2, Dear ImGui (its SDL_Renderer backend), UiFont. Main thread only.
#pragma once

#include <SDL.h>

#include <memory>
#include <vector>

#include "platform/Platform.h"

namespace vantel {

class DebugWindows {
 public:
  // `software`: draw with SDL's software renderer (the main window does).
  explicit DebugWindows(bool software);
  ~DebugWindows();
  DebugWindows(const DebugWindows&) = delete;
  DebugWindows& operator=(const DebugWindows&) = delete;

  bool Open(DebugPanel& panel);
  void Close(DebugPanel& panel);
  bool Empty() const { return windows_.empty(); }

  enum class Fed { NotMine, Used, Activated, CloseMain };
  // Takes `ev` when it belongs to a debugger window (or is the main
  // window's close while debugger windows exist).
  Fed Feed(const SDL_Event& ev);
  // Draws every window whose time has come (about 30 frames a second);
  // windows whose panel was closed are destroyed.
  void Draw();
  // For tests: the window of `panel` (null when it has none).
  SDL_Window* WindowOf(const DebugPanel& panel) const;

 private:
  struct Window;
  std::vector<std::unique_ptr<Window>> windows_;
  bool software_;
};

}  // namespace vantel

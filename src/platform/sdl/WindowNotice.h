// WindowNotice: a short notice in the top-left corner of the picture
// ("已保存 data3", a screenshot's name), drawn over the frame by the
// renderer for a while and then gone. It never enters the frame itself, so
// screenshots and saves' thumbnails do not show it.
//
// Depends on SDL's renderer and the text service (FontText). Fails: a
// texture SDL refuses just leaves the notice out.
#pragma once

#include <cstdint>

#include "base/Bytes.h"
#include "platform/Platform.h"

struct SDL_Renderer;
struct SDL_Texture;

namespace vantel {

class WindowNotice {
 public:
  WindowNotice() = default;
  ~WindowNotice();
  WindowNotice(const WindowNotice&) = delete;
  WindowNotice& operator=(const WindowNotice&) = delete;

  // Shows `text` from `now` for `ms` milliseconds, replacing any notice.
  void Show(SDL_Renderer* renderer, const Bytes& text, CodePage cp, uint32_t now, uint32_t ms);
  // True once when the notice's time is over: the frame is to be shown without it.
  bool Ended(uint32_t now);
  // Draws the notice over the picture placed at `place` (renderer pixels).
  void Draw(SDL_Renderer* renderer, const ScreenRect& place);
  // Before the renderer goes.
  void Drop();

 private:
  SDL_Texture* texture_ = nullptr;
  int width_ = 0, height_ = 0;
  uint32_t until_ = 0;
  bool showing_ = false;
};

}  // namespace vantel

// The Dear ImGui host of the SDL platform: one modal loop inside the main
// window that shows the frozen picture (scaled as the platform shows it)
// and draws a menu, a dialog or a message box over it. It feeds ImGui from
// SDL's events itself, with pointer positions taken from the events (so
// pushed events work as real ones) in window coordinates, one press or
// release per frame (so a quick click is never lost), and keeps a glyph
// atlas of exactly the characters drawn (UiFont). A frame is drawn only
// when an event came in the last few frames or the text caret blinks;
// otherwise the loop waits for an event and costs nothing.
//
// Depends on SDL2, Dear ImGui (its SDL_Renderer backend only), UiFont.
// A close request during the loop ends it and is put back for the program
// when the loop ends.
#pragma once

#include <SDL.h>
#include <imgui.h>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sdl/UiFont.h"

namespace vantel {

class ImGuiHost {
 public:
  struct Setup {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* frame = nullptr;  // the frozen picture
    int frameWidth = 800, frameHeight = 600;
    float fontPixels = 14;                // at the picture's own scale
    Bytes caption;                        // the game's caption (GBK), for notices
    std::function<void(uint32_t)> sleep;  // paces a watched loop (the platform's Sleep)
    // Before each frame's input (tests watch here), with what the last drawn
    // frame marked as clickable (Mark), in window coordinates.
    std::function<void(int frame, const std::map<int, ScreenRect>& targets)> onFrame;
    // The next event for the loop (the platform's routing); SDL's queue when empty.
    std::function<bool(SDL_Event&)> poll;
    // A controller plugged in or pulled out during the loop (the platform
    // opens and closes its controllers there).
    std::function<void(const SDL_Event&)> onDevice;
  };
  explicit ImGuiHost(Setup setup);
  ~ImGuiHost();
  ImGuiHost(const ImGuiHost&) = delete;
  ImGuiHost& operator=(const ImGuiHost&) = delete;

  // The picture's place in the window and its scale.
  const SDL_Rect& Place() const { return place_; }
  float Scale() const { return scale_; }
  // A point of the picture in window (ImGui) coordinates.
  ImVec2 ToWindow(float x, float y) const;
  // Characters about to be drawn (UTF-8); the atlas grows to hold them.
  void Need(const std::string& utf8) { atlas_.Need(utf8); }

  // Runs frames until `draw` returns false. `key` sees every key press and
  // release first (true: used, ImGui does not get it); a used letter's text
  // input is dropped too.
  void Run(const std::function<bool(const SDL_KeyboardEvent&)>& key,
           const std::function<bool()>& draw);
  bool QuitSeen() const { return quitSeen_; }

  // Records the last item drawn (or a rectangle) as the clickable target
  // `id` of this frame, for those watching the loop.
  void Mark(int id);
  void Mark(int id, ImVec2 min, ImVec2 max);
  // Ids of targets that are not a dialog's controls.
  static constexpr int kCloseBoxTarget = -1;
  static constexpr int kFirstTabTarget = -100;  // tab i is kFirstTabTarget - i

 private:
  bool Feed(const SDL_Event& ev, const std::function<bool(const SDL_KeyboardEvent&)>& key);
  bool Poll(SDL_Event& ev);
  // Milliseconds until the text caret blinks next; -1: no caret shown.
  int CaretWait() const;
  // A controller's button or stick as the key it stands for.
  bool FeedPadKey(SDL_Keycode k, bool shift, bool down,
                  const std::function<bool(const SDL_KeyboardEvent&)>& key);
  void BuildFont();

  Setup setup_;
  SDL_Rect place_{0, 0, 800, 600};
  float scale_ = 1;
  int logicalW_ = 0, logicalH_ = 0;
  ImGuiContext* previous_ = nullptr;
  ImGuiContext* context_ = nullptr;
  GlyphAtlas atlas_;
  std::map<int, ScreenRect> targets_;
  bool quitSeen_ = false;
  bool textInputWas_ = false;
  bool dropText_ = false;
  bool pressed_[3] = {};
  int stick_[2] = {};  // the left stick as an arrow key: -1, 0 or 1 on x and y
};

}  // namespace vantel

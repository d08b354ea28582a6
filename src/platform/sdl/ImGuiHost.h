// The Dear ImGui host of the SDL platform: one modal loop inside the main
// window that shows the frozen picture (scaled as the platform shows it)
// and draws a menu, a dialog or a message box over it. It feeds ImGui from
// SDL's events itself, with pointer positions taken from the events (so
// pushed events work as real ones) in window coordinates, one press or
// release per frame (so a quick click is never lost), and keeps a font
// atlas of exactly the characters drawn: the CJK face fontconfig finds for
// Simplified Chinese, rebuilt when new characters appear (typed text).
//
// Depends on SDL2, Dear ImGui (its SDL_Renderer backend only), fontconfig.
// A close request during the loop is kept and put back when the loop ends
// (a menu also ends on it). Without a font, ImGui's own font is used.
#pragma once

#include <SDL.h>
#include <imgui.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vantel {

// SDL key codes to the system's virtual key codes (Windows numbering); 0: none.
int VirtualKey(SDL_Keycode k);
// SDL modifier state to ShiftFlag bits.
uint32_t ShiftOfMod(uint16_t mod);
// The CJK face the dialogs draw with (empty: none found) and its face index.
std::string CjkFontPath(int& index);

// Maps the keys the dialogs and the debugger use to SDL scancodes.
void MapImGuiKeys(ImGuiIO& io);

// In a menu or dialog a game controller is the keyboard: A is Enter, B and
// Start are Escape, the d-pad and the left stick are the arrow keys, the
// right shoulder is Tab and the left one Shift+Tab. False: a button with no key.
bool PadKeyOf(uint8_t sdlButton, SDL_Keycode& key, bool& shift);

class ImGuiHost {
 public:
  struct Setup {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* frame = nullptr;  // the frozen picture
    int frameWidth = 800, frameHeight = 600;
    float fontPixels = 14;                   // at the picture's own scale
    std::function<void(uint32_t)> sleep;     // paces the loop (the platform's Sleep)
    std::function<void(int frame)> onFrame;  // before each frame's input (tests watch here)
    bool endOnQuit = false;                  // a close request ends the loop (menus)
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
  void Need(const std::string& utf8);

  // Runs frames until `draw` returns false. `key` sees every key press and
  // release first (true: used, ImGui does not get it); a used letter's text
  // input is dropped too.
  void Run(const std::function<bool(const SDL_KeyboardEvent&)>& key,
           const std::function<bool()>& draw);
  bool QuitSeen() const { return quitSeen_; }

 private:
  bool Feed(const SDL_Event& ev, const std::function<bool(const SDL_KeyboardEvent&)>& key);
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
  std::string fontPath_;
  int fontIndex_ = 0;
  std::set<ImWchar> wanted_, built_;
  ImVector<ImWchar> ranges_;
  bool quitSeen_ = false;
  bool textInputWas_ = false;
  bool dropText_ = false;
  bool pressed_[3] = {};
  int stick_[2] = {};  // the left stick as an arrow key: -1, 0 or 1 on x and y
};

}  // namespace vantel

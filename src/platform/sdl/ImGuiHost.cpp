#include "platform/sdl/ImGuiHost.h"

#include <backends/imgui_impl_sdlrenderer.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstdlib>

#include "platform/sdl/SdlKeys.h"
#include "platform/sdl/UiFont.h"

namespace vantel {

namespace {

// Frames drawn after an event before the loop waits: ImGui settles hover,
// popups and tab changes over a frame or two.
constexpr int kSettleFrames = 4;
// The longest wait for an event: an idle menu or dialog wakes once a second.
constexpr int kIdleWaitMs = 1000;

}  // namespace

ImGuiHost::ImGuiHost(Setup setup) : setup_(std::move(setup)), atlas_(1) {
  SDL_RenderGetLogicalSize(setup_.renderer, &logicalW_, &logicalH_);
  // ImGui draws in window pixels, so its text stays sharp when the picture is scaled.
  SDL_RenderSetLogicalSize(setup_.renderer, 0, 0);
  int w = setup_.frameWidth, h = setup_.frameHeight;
  SDL_GetWindowSize(setup_.window, &w, &h);
  scale_ = std::min(static_cast<float>(w) / setup_.frameWidth,
                    static_cast<float>(h) / setup_.frameHeight);
  const int dw = static_cast<int>(setup_.frameWidth * scale_);
  const int dh = static_cast<int>(setup_.frameHeight * scale_);
  place_ = SDL_Rect{(w - dw) / 2, (h - dh) / 2, dw, dh};

  previous_ = ImGui::GetCurrentContext();
  IMGUI_CHECKVERSION();
  context_ = ImGui::CreateContext();
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.LogFilename = nullptr;
  MapImGuiKeys(io);
  io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
  ImGui::StyleColorsLight();
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowRounding = 0;
  style.FrameBorderSize = 1;
  style.ScaleAllSizes(scale_);
  atlas_.SetPixels(std::max(8.0f, setup_.fontPixels * scale_));
  ImGui_ImplSDLRenderer_Init(setup_.renderer);
  // Typed text arrives as text input (and through the input method).
  textInputWas_ = SDL_IsTextInputActive();
  SDL_StartTextInput();
  BuildFont();
}

ImGuiHost::~ImGuiHost() {
  ImGui_ImplSDLRenderer_Shutdown();
  GlyphAtlas::Release(*ImGui::GetIO().Fonts);
  ImGui::DestroyContext(context_);
  ImGui::SetCurrentContext(previous_);
  if (!textInputWas_) SDL_StopTextInput();
  SDL_RenderSetLogicalSize(setup_.renderer, logicalW_, logicalH_);
  if (quitSeen_) {
    // The close request is the program's to answer, after this loop.
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  }
}

ImVec2 ImGuiHost::ToWindow(float x, float y) const {
  return ImVec2(place_.x + x * scale_, place_.y + y * scale_);
}

void ImGuiHost::BuildFont() {
  atlas_.Build(*ImGui::GetIO().Fonts);
  ImGui_ImplSDLRenderer_DestroyFontsTexture();  // made again from the new atlas by NewFrame
}

bool ImGuiHost::FeedPadKey(SDL_Keycode k, bool shift, bool down,
                           const std::function<bool(const SDL_KeyboardEvent&)>& key) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = k;
  e.key.keysym.scancode = SDL_GetScancodeFromKey(k);
  e.key.keysym.mod = shift ? KMOD_LSHIFT : KMOD_NONE;
  return Feed(e, key);
}

bool ImGuiHost::Feed(const SDL_Event& ev,
                     const std::function<bool(const SDL_KeyboardEvent&)>& key) {
  ImGuiIO& io = ImGui::GetIO();
  switch (ev.type) {
    case SDL_QUIT:
      quitSeen_ = true;
      return true;
    case SDL_MOUSEMOTION:
      io.MousePos = ImVec2(static_cast<float>(ev.motion.x), static_cast<float>(ev.motion.y));
      return false;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      dropText_ = false;
      const int b = ev.button.button == SDL_BUTTON_LEFT    ? 0
                    : ev.button.button == SDL_BUTTON_RIGHT ? 1
                                                           : 2;
      io.MousePos = ImVec2(static_cast<float>(ev.button.x), static_cast<float>(ev.button.y));
      io.MouseDown[b] = ev.type == SDL_MOUSEBUTTONDOWN;
      return true;  // one press or release per frame
    }
    case SDL_MOUSEWHEEL:
      io.MouseWheel += static_cast<float>(ev.wheel.y);
      return false;
    case SDL_TEXTINPUT:
      if (dropText_)
        dropText_ = false;
      else
        io.AddInputCharactersUTF8(ev.text.text);
      return false;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      dropText_ = false;
      const bool used = key && key(ev.key);
      const SDL_Scancode sc = ev.key.keysym.scancode;
      io.KeyShift = (ev.key.keysym.mod & KMOD_SHIFT) != 0;
      io.KeyCtrl = (ev.key.keysym.mod & KMOD_CTRL) != 0;
      io.KeyAlt = (ev.key.keysym.mod & KMOD_ALT) != 0;
      if (ev.type == SDL_KEYDOWN && used) {
        dropText_ = true;  // the letter that pressed a button is not typed too
        return true;
      }
      if (sc >= 0 && sc < IM_ARRAYSIZE(io.KeysDown)) io.KeysDown[sc] = ev.type == SDL_KEYDOWN;
      return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      SDL_Keycode k = SDLK_UNKNOWN;
      bool shift = false;
      if (!PadKeyOf(ev.cbutton.button, k, shift)) return false;
      return FeedPadKey(k, shift, ev.type == SDL_CONTROLLERBUTTONDOWN, key);
    }
    case SDL_CONTROLLERAXISMOTION: {
      // Pushed past half way the stick presses its arrow key; back near the
      // middle it lets go.
      const int axis = ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX   ? 0
                       : ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY ? 1
                                                                    : -1;
      if (axis < 0) return false;
      const int v = ev.caxis.value;
      const int dir = v > 16000 ? 1 : v < -16000 ? -1 : std::abs(v) < 8000 ? 0 : stick_[axis];
      if (dir == stick_[axis]) return false;
      const SDL_Keycode keys[2][2] = {{SDLK_LEFT, SDLK_RIGHT}, {SDLK_UP, SDLK_DOWN}};
      const int was = stick_[axis];
      stick_[axis] = dir;
      if (was != 0) FeedPadKey(keys[axis][was > 0], false, false, key);
      return dir != 0 ? FeedPadKey(keys[axis][dir > 0], false, true, key) : false;
    }
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
      if (setup_.onDevice) setup_.onDevice(ev);
      return false;
    default:
      return false;
  }
}

void ImGuiHost::Mark(int id) {
  Mark(id, ImGui::GetItemRectMin(), ImGui::GetItemRectMax());
}

void ImGuiHost::Mark(int id, ImVec2 min, ImVec2 max) {
  targets_[id] = ScreenRect{static_cast<int>(min.x), static_cast<int>(min.y),
                            static_cast<int>(max.x - min.x), static_cast<int>(max.y - min.y)};
}

bool ImGuiHost::Poll(SDL_Event& ev) {
  return setup_.poll ? setup_.poll(ev) : SDL_PollEvent(&ev) != 0;
}

int ImGuiHost::CaretWait() const {
  const ImGuiContext& g = *ImGui::GetCurrentContext();
  if (g.ActiveId == 0 || g.InputTextState.ID != g.ActiveId || !g.IO.ConfigInputTextCursorBlink)
    return -1;
  // ImGui shows the caret for the first 0.8 s of every 1.2 s.
  const float phase = ImFmod(g.InputTextState.CursorAnim, 1.2f);
  const float left = phase < 0.8f ? 0.8f - phase : 1.2f - phase;
  return static_cast<int>(left * 1000) + 1;
}

void ImGuiHost::Run(const std::function<bool(const SDL_KeyboardEvent&)>& key,
                    const std::function<bool()>& draw) {
  ImGuiIO& io = ImGui::GetIO();
  // A watched loop (tests) draws a frame every 15 ms of the platform's clock.
  const bool paced = static_cast<bool>(setup_.onFrame);
  int quiet = 0;      // frames drawn since the last event
  Uint32 wakeAt = 0;  // when the caret needs drawing (0: never)
  Uint32 lastFrame = SDL_GetTicks();
  for (int frame = 0;; ++frame) {
    if (setup_.onFrame) setup_.onFrame(frame, targets_);
    SDL_Event ev;
    bool any = false;
    while (Poll(ev)) {
      any = true;
      if (Feed(ev, key)) break;
    }
    if (quitSeen_) return;
    if (any) quiet = 0;
    const Uint32 now = SDL_GetTicks();
    const bool caretDue = wakeAt != 0 && SDL_TICKS_PASSED(now, wakeAt);
    if (!paced && quiet >= kSettleFrames && !caretDue) {
      // Nothing to show: wait for the next event or the caret.
      const int timeout = wakeAt != 0 ? static_cast<int>(wakeAt - now) : kIdleWaitMs;
      SDL_WaitEventTimeout(nullptr, std::max(1, timeout));
      continue;
    }
    if (atlas_.Stale()) BuildFont();
    int w = setup_.frameWidth, h = setup_.frameHeight;
    SDL_GetWindowSize(setup_.window, &w, &h);
    io.DisplaySize = ImVec2(static_cast<float>(w), static_cast<float>(h));
    io.DeltaTime = paced ? 1.0f / 60.0f : std::clamp((now - lastFrame) / 1000.0f, 0.001f, 1.0f);
    lastFrame = now;
    ImGui_ImplSDLRenderer_NewFrame();
    ImGui::NewFrame();
    targets_.clear();
    const bool more = draw();
    if (more && atlas_.Stale()) {
      ImGui::EndFrame();  // drawn again at once with the new characters
      quiet = 0;
      continue;
    }
    ImGui::Render();
    SDL_SetRenderDrawColor(setup_.renderer, 0, 0, 0, 255);
    SDL_RenderClear(setup_.renderer);
    if (setup_.frame) SDL_RenderCopy(setup_.renderer, setup_.frame, nullptr, &place_);
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
    SDL_RenderPresent(setup_.renderer);
    if (!more) return;
    ++quiet;
    const int caret = CaretWait();
    wakeAt = caret < 0 ? 0 : SDL_GetTicks() + static_cast<Uint32>(caret);
    if (paced) {
      if (setup_.sleep) setup_.sleep(15);
    } else if (quiet < kSettleFrames) {
      SDL_WaitEventTimeout(nullptr, 15);  // the settling frames, sooner on an event
    }
  }
}

}  // namespace vantel

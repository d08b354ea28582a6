#include "platform/sdl/ImGuiHost.h"

#include <backends/imgui_impl_sdlrenderer.h>
#include <fontconfig/fontconfig.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstdlib>

namespace vantel {
namespace {

struct FontFile {
  std::string path;
  int index = 0;
};

// The CJK face fontconfig picks for Simplified Chinese (captions are GBK;
// its Japanese kana and kanji cover the story's titles too).
FontFile FindCjkFont() {
  static const FontFile found = [] {
    FontFile f;
    // A configuration of its own, freed again: the library's default one
    // would stay allocated until the process ends.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return f;
    FcPattern* pattern =
        FcNameParse(reinterpret_cast<const FcChar8*>("Noto Sans CJK SC:lang=zh-cn"));
    if (pattern) {
      FcConfigSubstitute(config, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult result;
      if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
          f.path = reinterpret_cast<const char*>(file);
          if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) f.index = index;
        }
        FcPatternDestroy(match);
      }
      FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return f;
  }();
  return found;
}

}  // namespace

int VirtualKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return 112 + (k - SDLK_F1);
  switch (k) {
    case SDLK_BACKSPACE:
      return 8;
    case SDLK_TAB:
      return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return 13;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return 16;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return 17;
    case SDLK_LALT:
    case SDLK_RALT:
      return 18;
    case SDLK_PAUSE:
      return 19;
    case SDLK_ESCAPE:
      return 27;
    case SDLK_SPACE:
      return 32;
    case SDLK_PAGEUP:
      return 33;
    case SDLK_PAGEDOWN:
      return 34;
    case SDLK_END:
      return 35;
    case SDLK_HOME:
      return 36;
    case SDLK_LEFT:
      return 37;
    case SDLK_UP:
      return 38;
    case SDLK_RIGHT:
      return 39;
    case SDLK_DOWN:
      return 40;
    case SDLK_INSERT:
      return 45;
    case SDLK_DELETE:
      return 46;
    default:
      return 0;
  }
}

std::string CjkFontPath(int& index) {
  const FontFile f = FindCjkFont();
  index = f.index;
  return f.path;
}

uint32_t ShiftOfMod(uint16_t mod) {
  uint32_t s = 0;
  if (mod & KMOD_SHIFT) s |= kShift;
  if (mod & KMOD_ALT) s |= kAlt;
  if (mod & KMOD_CTRL) s |= kCtrl;
  return s;
}

void MapImGuiKeys(ImGuiIO& io) {
  io.KeyMap[ImGuiKey_Tab] = SDL_SCANCODE_TAB;
  io.KeyMap[ImGuiKey_LeftArrow] = SDL_SCANCODE_LEFT;
  io.KeyMap[ImGuiKey_RightArrow] = SDL_SCANCODE_RIGHT;
  io.KeyMap[ImGuiKey_UpArrow] = SDL_SCANCODE_UP;
  io.KeyMap[ImGuiKey_DownArrow] = SDL_SCANCODE_DOWN;
  io.KeyMap[ImGuiKey_PageUp] = SDL_SCANCODE_PAGEUP;
  io.KeyMap[ImGuiKey_PageDown] = SDL_SCANCODE_PAGEDOWN;
  io.KeyMap[ImGuiKey_Home] = SDL_SCANCODE_HOME;
  io.KeyMap[ImGuiKey_End] = SDL_SCANCODE_END;
  io.KeyMap[ImGuiKey_Insert] = SDL_SCANCODE_INSERT;
  io.KeyMap[ImGuiKey_Delete] = SDL_SCANCODE_DELETE;
  io.KeyMap[ImGuiKey_Backspace] = SDL_SCANCODE_BACKSPACE;
  io.KeyMap[ImGuiKey_Space] = SDL_SCANCODE_SPACE;
  io.KeyMap[ImGuiKey_Enter] = SDL_SCANCODE_RETURN;
  io.KeyMap[ImGuiKey_Escape] = SDL_SCANCODE_ESCAPE;
  io.KeyMap[ImGuiKey_KeyPadEnter] = SDL_SCANCODE_KP_ENTER;
  io.KeyMap[ImGuiKey_A] = SDL_SCANCODE_A;
  io.KeyMap[ImGuiKey_C] = SDL_SCANCODE_C;
  io.KeyMap[ImGuiKey_V] = SDL_SCANCODE_V;
  io.KeyMap[ImGuiKey_X] = SDL_SCANCODE_X;
  io.KeyMap[ImGuiKey_Y] = SDL_SCANCODE_Y;
  io.KeyMap[ImGuiKey_Z] = SDL_SCANCODE_Z;
}

ImGuiHost::ImGuiHost(Setup setup) : setup_(std::move(setup)) {
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
  const FontFile font = FindCjkFont();
  fontPath_ = font.path;
  fontIndex_ = font.index;
  ImGui_ImplSDLRenderer_Init(setup_.renderer);
  // Typed text arrives as text input (and through the input method).
  textInputWas_ = SDL_IsTextInputActive();
  SDL_StartTextInput();
  // Punctuation, kana and full-width forms are always there; other characters as they come.
  for (ImWchar c = 0x3000; c < 0x3100; ++c) wanted_.insert(c);
  for (ImWchar c = 0xFF00; c < 0xFF60; ++c) wanted_.insert(c);
  BuildFont();
}

ImGuiHost::~ImGuiHost() {
  ImGui_ImplSDLRenderer_Shutdown();
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

void ImGuiHost::Need(const std::string& utf8) {
  const char* p = utf8.c_str();
  const char* end = p + utf8.size();
  while (p < end) {
    unsigned int c = 0;
    const int n = ImTextCharFromUtf8(&c, p, end);
    if (n <= 0) break;
    p += n;
    if (c >= 0x80 && c <= 0xFFFF) wanted_.insert(static_cast<ImWchar>(c));
  }
}

void ImGuiHost::BuildFont() {
  ImGuiIO& io = ImGui::GetIO();
  io.Fonts->Clear();
  ImFontGlyphRangesBuilder builder;
  builder.AddRanges(io.Fonts->GetGlyphRangesDefault());
  for (ImWchar c : wanted_) builder.AddChar(c);
  ranges_.clear();
  builder.BuildRanges(&ranges_);
  const float pixels = std::max(8.0f, setup_.fontPixels * scale_);
  ImFont* font = nullptr;
  if (!fontPath_.empty()) {
    ImFontConfig config;
    config.FontNo = fontIndex_;
    font = io.Fonts->AddFontFromFileTTF(fontPath_.c_str(), pixels, &config, ranges_.Data);
  }
  if (!font) {
    ImFontConfig config;
    config.SizePixels = pixels;
    io.Fonts->AddFontDefault(&config);
  }
  io.Fonts->Build();
  ImGui_ImplSDLRenderer_DestroyFontsTexture();  // made again from the new atlas by NewFrame
  built_ = wanted_;
}

bool PadKeyOf(uint8_t sdlButton, SDL_Keycode& key, bool& shift) {
  shift = false;
  switch (sdlButton) {
    case SDL_CONTROLLER_BUTTON_A:
      key = SDLK_RETURN;
      return true;
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_START:
      key = SDLK_ESCAPE;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      key = SDLK_UP;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      key = SDLK_DOWN;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      key = SDLK_LEFT;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      key = SDLK_RIGHT;
      return true;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      shift = true;
      key = SDLK_TAB;
      return true;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      key = SDLK_TAB;
      return true;
    default:
      return false;
  }
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
      return setup_.endOnQuit;
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

void ImGuiHost::Run(const std::function<bool(const SDL_KeyboardEvent&)>& key,
                    const std::function<bool()>& draw) {
  ImGuiIO& io = ImGui::GetIO();
  for (int frame = 0;; ++frame) {
    if (setup_.onFrame) setup_.onFrame(frame);
    SDL_Event ev;
    while (SDL_PollEvent(&ev))
      if (Feed(ev, key)) break;
    if (quitSeen_ && setup_.endOnQuit) return;
    if (wanted_ != built_) BuildFont();
    int w = setup_.frameWidth, h = setup_.frameHeight;
    SDL_GetWindowSize(setup_.window, &w, &h);
    io.DisplaySize = ImVec2(static_cast<float>(w), static_cast<float>(h));
    io.DeltaTime = 1.0f / 60.0f;
    ImGui_ImplSDLRenderer_NewFrame();
    ImGui::NewFrame();
    const bool more = draw();
    if (more && wanted_ != built_) {
      ImGui::EndFrame();  // drawn again at once with the new characters
      continue;
    }
    ImGui::Render();
    SDL_SetRenderDrawColor(setup_.renderer, 0, 0, 0, 255);
    SDL_RenderClear(setup_.renderer);
    if (setup_.frame) SDL_RenderCopy(setup_.renderer, setup_.frame, nullptr, &place_);
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
    SDL_RenderPresent(setup_.renderer);
    if (!more) return;
    if (setup_.sleep) setup_.sleep(15);
  }
}

}  // namespace vantel

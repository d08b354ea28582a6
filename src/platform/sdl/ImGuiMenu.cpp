#include "platform/sdl/ImGuiMenu.h"

#include <SDL.h>
#include <backends/imgui_impl_sdl.h>
#include <backends/imgui_impl_sdlrenderer.h>
#include <fontconfig/fontconfig.h>
#include <imgui.h>

#include <string>

namespace vantel {
namespace {

constexpr float kFontPixels = 18.0f;

struct FontFile {
  std::string path;
  int index = 0;
};

// The CJK face fontconfig picks for Simplified Chinese (the captions are GBK).
FontFile FindCjkFont() {
  FontFile found;
  if (!FcInit()) return found;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Noto Sans CJK SC:lang=zh-cn"));
  if (!pattern) return found;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
      found.path = reinterpret_cast<const char*>(file);
      if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) found.index = index;
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

// The picture's place in the window: scaled to fit with its aspect kept, as
// the platform shows it.
SDL_Rect FrameRect(SDL_Window* window, int frameWidth, int frameHeight) {
  int w = frameWidth, h = frameHeight;
  SDL_GetWindowSize(window, &w, &h);
  const double scale =
      std::min(static_cast<double>(w) / frameWidth, static_cast<double>(h) / frameHeight);
  const int dw = static_cast<int>(frameWidth * scale), dh = static_cast<int>(frameHeight * scale);
  return SDL_Rect{(w - dw) / 2, (h - dh) / 2, dw, dh};
}

// Creates the ImGui context for one menu and destroys it again, restoring
// the renderer's logical size (the menu draws in window coordinates).
class MenuHost {
 public:
  MenuHost(SDL_Window* window, SDL_Renderer* renderer, const std::vector<MenuItem>& items)
      : renderer_(renderer) {
    SDL_RenderGetLogicalSize(renderer, &logicalW_, &logicalH_);
    SDL_RenderSetLogicalSize(renderer, 0, 0);
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsLight();
    // Only the characters of these captions go into the font atlas: the
    // whole CJK range would take a large texture and a long start.
    const FontFile font = FindCjkFont();
    if (!font.path.empty()) {
      ImFontGlyphRangesBuilder builder;
      builder.AddRanges(io.Fonts->GetGlyphRangesDefault());
      for (const MenuItem& item : items) {
        builder.AddText(MenuLabel(item.caption).c_str());
        builder.AddText(MenuLabel(item.shortcut).c_str());
      }
      builder.BuildRanges(&ranges_);
      ImFontConfig config;
      config.FontNo = font.index;
      if (!io.Fonts->AddFontFromFileTTF(font.path.c_str(), kFontPixels, &config, ranges_.Data))
        io.Fonts->AddFontDefault();
    }
    ImGui_ImplSDL2_InitForSDLRenderer(window);
    ImGui_ImplSDLRenderer_Init(renderer);
  }
  ~MenuHost() {
    ImGui_ImplSDLRenderer_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    SDL_RenderSetLogicalSize(renderer_, logicalW_, logicalH_);
  }
  MenuHost(const MenuHost&) = delete;
  MenuHost& operator=(const MenuHost&) = delete;

 private:
  SDL_Renderer* renderer_;
  int logicalW_ = 0, logicalH_ = 0;
  ImVector<ImWchar> ranges_;
};

}  // namespace

std::string MenuLabel(const Bytes& gbkCaption) {
  Bytes plain;
  for (size_t i = 0; i < gbkCaption.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(gbkCaption[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < gbkCaption.size()) {  // a double-byte character
      plain += gbkCaption.substr(i, 2);
      ++i;
    } else if (c == '&') {
      if (i + 1 < gbkCaption.size() && gbkCaption[i + 1] == '&') plain += '&', ++i;
    } else {
      plain += static_cast<char>(c);
    }
  }
  try {
    return ToUtf8(plain, CodePage::GBK);
  } catch (const std::exception&) {
    return plain;  // shown as it is rather than not at all
  }
}

int RunImGuiMenu(SDL_Window* window, SDL_Renderer* renderer, SDL_Texture* frame, int frameWidth,
                 int frameHeight, const std::vector<MenuItem>& items, int x, int y) {
  if (!window || !renderer || items.empty()) return -1;
  MenuHost host(window, renderer, items);
  const SDL_Rect place = FrameRect(window, frameWidth, frameHeight);
  const float scale = static_cast<float>(place.w) / static_cast<float>(frameWidth);
  const ImVec2 at(place.x + x * scale, place.y + y * scale);

  int chosen = -1;
  bool done = false;
  bool opened = false;
  while (!done) {
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
      if (ev.type == SDL_QUIT) {
        SDL_PushEvent(&ev);  // the program answers it after the menu
        done = true;
        break;
      }
      if (ev.type == SDL_KEYDOWN && ev.key.keysym.sym == SDLK_ESCAPE) done = true;
      ImGui_ImplSDL2_ProcessEvent(&ev);
    }
    if (done) break;

    ImGui_ImplSDLRenderer_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    if (!opened) {
      ImGui::SetNextWindowPos(at);
      ImGui::OpenPopup("vantel-menu");
      opened = true;
    }
    if (ImGui::BeginPopup("vantel-menu")) {
      for (const MenuItem& item : items) {
        if (item.separator) {
          ImGui::Separator();
          continue;
        }
        const std::string label = MenuLabel(item.caption) + "##" + std::to_string(item.id);
        const std::string shortcut = MenuLabel(item.shortcut);
        if (ImGui::MenuItem(label.c_str(), shortcut.empty() ? nullptr : shortcut.c_str(),
                            item.checked, item.enabled)) {
          chosen = item.id;
          done = true;
        }
      }
      ImGui::EndPopup();
    } else {
      done = true;  // closed by a click outside it
    }
    ImGui::Render();

    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (frame) SDL_RenderCopy(renderer, frame, nullptr, &place);
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
    SDL_RenderPresent(renderer);
    SDL_Delay(15);
  }
  return chosen;
}

}  // namespace vantel

#include "platform/sdl/MenuView.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/sdl/SdlKeys.h"

namespace vantel {
namespace {

constexpr float kMenuFontPixels = 18.0f;  // the menu's captions

// Text of a caption code page as UTF-8; shown as it is when it cannot be converted.
std::string Utf8Of(const Bytes& text, CodePage cp) {
  try {
    return ToUtf8(text, cp);
  } catch (const std::exception&) {
    return text;
  }
}

}  // namespace

std::string MenuLabel(const Bytes& caption, CodePage cp) {
  Bytes plain;
  for (size_t i = 0; i < caption.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(caption[i]);
    const bool lead = cp == CodePage::GBK ? IsGbkLeadByte(c) : IsLeadByte(c);
    if (lead && i + 1 < caption.size()) {  // a double-byte character
      plain += caption.substr(i, 2);
      ++i;
    } else if (c == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') plain += '&', ++i;
    } else {
      plain += static_cast<char>(c);
    }
  }
  return Utf8Of(plain, cp);
}

namespace {

// A separator as one whole row of pixels. ImGui draws its line as a thin
// quad, which SDL's software renderer splits into two triangles rounded to
// different rows: the line came out stepped in the middle.
void MenuSeparator() {
  const ImGuiStyle& style = ImGui::GetStyle();
  const ImVec2 at = ImGui::GetCursorScreenPos();
  const float left = ImGui::GetWindowPos().x + style.WindowPadding.x * 0.5f;
  const float right =
      ImGui::GetWindowPos().x + ImGui::GetWindowWidth() - style.WindowPadding.x * 0.5f;
  const float y = std::floor(at.y + style.ItemSpacing.y * 0.5f);
  ImGui::GetWindowDrawList()->AddRectFilled(ImVec2(std::floor(left), y),
                                            ImVec2(std::floor(right), y + 1),
                                            ImGui::GetColorU32(ImGuiCol_Separator));
  ImGui::Dummy(ImVec2(0, style.ItemSpacing.y));
}

}  // namespace

int RunImGuiMenu(ImGuiHost::Setup setup, const std::vector<MenuItem>& items, int x, int y) {
  if (!setup.window || !setup.renderer || items.empty()) return -1;
  setup.fontPixels = kMenuFontPixels;
  ImGuiHost host(setup);
  const ImVec2 at = host.ToWindow(static_cast<float>(x), static_cast<float>(y));

  int chosen = -1;
  bool done = false;
  bool opened = false;
  // The keyboard (and a controller's d-pad) walks the usable items; the
  // pointer goes to the item, so it is highlighted as under the mouse.
  const int count = static_cast<int>(items.size());
  std::vector<ImVec2> centres(items.size(), ImVec2(-1, -1));
  int hot = -1;
  bool warp = false;
  auto usable = [&](int i) { return !items[i].separator && items[i].enabled; };
  auto step = [&](int dir) {
    const int from = hot >= 0 ? hot : dir > 0 ? count - 1 : 0;
    for (int i = 1; i <= count; ++i) {
      const int j = ((from + dir * i) % count + count) % count;
      if (!usable(j)) continue;
      hot = j;
      warp = true;
      return;
    }
  };
  auto key = [&](const SDL_KeyboardEvent& k) {
    if (k.type != SDL_KEYDOWN) return false;
    const int vk = VirtualKey(k.keysym.sym);
    if (vk == 27) {
      done = true;
      return true;
    }
    if (vk == 38 || vk == 40) {
      step(vk == 40 ? 1 : -1);
      return true;
    }
    if ((vk == 13 || vk == 32) && hot >= 0) {
      chosen = items[hot].id;
      done = true;
      return true;
    }
    // An item's marked letter chooses it, as in any menu.
    for (const MenuItem& item : items) {
      if (vk == 0 || item.separator || !item.enabled || MarkedLetter(item.caption) != vk) continue;
      chosen = item.id;
      done = true;
      return true;
    }
    return false;
  };
  host.Run(key, [&] {
    if (done) return false;
    if (!opened) {
      ImGui::SetNextWindowPos(at);
      ImGui::OpenPopup("vantel-menu");
      opened = true;
    }
    if (ImGui::BeginPopup("vantel-menu")) {
      for (int i = 0; i < count; ++i) {
        const MenuItem& item = items[i];
        if (item.separator) {
          MenuSeparator();
          continue;
        }
        const std::string caption = MenuLabel(item.caption);
        const std::string shortcut = MenuLabel(item.shortcut);
        host.Need(caption);
        const std::string label = caption + "##" + std::to_string(item.id);
        if (ImGui::MenuItem(label.c_str(), shortcut.empty() ? nullptr : shortcut.c_str(),
                            item.checked, item.enabled)) {
          chosen = item.id;
          done = true;
        }
        host.Mark(item.id);
        const ImVec2 lo = ImGui::GetItemRectMin(), hi = ImGui::GetItemRectMax();
        centres[i] = ImVec2((lo.x + hi.x) / 2, (lo.y + hi.y) / 2);
        if (ImGui::IsItemHovered() && usable(i) && !warp) hot = i;
      }
      if (warp && hot >= 0) {
        warp = false;
        ImGui::GetIO().MousePos = centres[hot];
        SDL_WarpMouseInWindow(setup.window, static_cast<int>(centres[hot].x),
                              static_cast<int>(centres[hot].y));
      }
      ImGui::EndPopup();
    } else {
      done = true;  // closed by a click outside it
    }
    return !done;
  });
  return chosen;
}

}  // namespace vantel

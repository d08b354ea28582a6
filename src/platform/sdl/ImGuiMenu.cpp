#include "platform/sdl/ImGuiMenu.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/DialogExtras.h"
#include "platform/sdl/SpeechOutput.h"

namespace vantel {
namespace {

constexpr float kMenuFontPixels = 18.0f;    // the menu's captions
constexpr float kDialogFontPixels = 13.0f;  // dialogs and message boxes: a dialog font's cell

// Text of a data or caption code page as UTF-8; shown as it is when it cannot be converted.
std::string Utf8Of(const Bytes& text, CodePage cp) {
  try {
    return ToUtf8(text, cp);
  } catch (const std::exception&) {
    return text;
  }
}

std::string WithoutCr(std::string s) {
  std::string out;
  for (char c : s)
    if (c != '\r') out += c;
  return out;
}

// The draw state of one dialog: the edit boxes' text as ImGui edits it, and
// what was last shown of the model (so a change the model makes is applied
// once, not every frame).
struct DialogView {
  DialogModel* model = nullptr;
  std::map<int, std::string> buffers, synced;
  std::map<int, int> shownTop, shownRow;
  int activeEdit = -1;
  int shownPage = -1;
};

void FocusFrame(DialogModel& model, int id) {
  if (model.Focus() != id) return;
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
  draw->AddRect(ImVec2(a.x - 2, a.y - 2), ImVec2(b.x + 2, b.y + 2),
                ImGui::GetColorU32(ImGuiCol_NavHighlight), 0, 0, 2);
}

// Draws one control at `at` (window coordinates of its top-left corner).
void DrawControl(ImGuiHost& host, DialogView& view, const DialogControl& c, ImVec2 at,
                 bool interactive) {
  DialogModel& model = *view.model;
  const float s = host.Scale();
  const std::string tag = "##c" + std::to_string(c.id);
  using Kind = DialogControl::Kind;
  ImGui::BeginDisabled(!c.enabled || !interactive);
  switch (c.kind) {
    case Kind::Label: {
      const std::string text = WithoutCr(Utf8Of(c.text, c.cp));
      host.Need(text);
      float scaleFont = c.look == DialogControl::Look::Version ? 16.0f / kDialogFontPixels : 1;
      ImGui::SetWindowFontScale(scaleFont);
      if (c.rightAligned) at.x -= ImGui::CalcTextSize(text.c_str()).x;
      ImGui::SetCursorScreenPos(at);
      // Long text wraps before the dialog's right edge.
      ImGui::PushTextWrapPos(ImGui::GetWindowContentRegionMax().x - 16 * s);
      if (c.look == DialogControl::Look::Normal)
        ImGui::TextUnformatted(text.c_str());
      else
        ImGui::TextColored(c.look == DialogControl::Look::Version ? ImVec4(0.5f, 0.5f, 0.5f, 1)
                                                                  : ImVec4(0.45f, 0.5f, 0.6f, 1),
                           "%s", text.c_str());
      ImGui::PopTextWrapPos();
      ImGui::SetWindowFontScale(1);
      break;
    }
    case Kind::Edit: {
      const std::string shown = Utf8Of(c.text, c.cp);
      if (view.synced[c.id] != shown || !view.buffers.count(c.id)) {
        view.buffers[c.id] = shown;
        view.synced[c.id] = shown;
      }
      std::string& buffer = view.buffers[c.id];
      host.Need(buffer);
      char text[512];
      std::snprintf(text, sizeof text, "%s", buffer.c_str());
      ImGui::SetCursorScreenPos(at);
      ImGui::SetNextItemWidth(c.width * s);
      const bool focused = model.Focus() == c.id && interactive && c.enabled;
      // Under a notice the edit box takes no typing.
      if (!interactive && view.activeEdit == c.id) ImGui::ClearActiveID();
      if (focused && view.activeEdit != c.id) ImGui::SetKeyboardFocusHere();
      if (ImGui::InputText(tag.c_str(), text, sizeof text)) {
        buffer = text;
        Bytes bytes;
        try {
          bytes = FromUtf8(buffer, c.cp);
        } catch (const std::exception&) {
          bytes = buffer;
        }
        model.TextChanged(c.id, bytes);
        view.synced[c.id] = Utf8Of(bytes, c.cp);
      }
      if (ImGui::IsItemActive()) {
        if (model.Focus() != c.id) {
          if (view.activeEdit == c.id) {
            ImGui::ClearActiveID();  // the focus moved on by the keyboard
          } else {
            model.SetFocus(c.id);  // clicked into
          }
        }
      }
      view.activeEdit =
          ImGui::IsItemActive() ? c.id : (view.activeEdit == c.id ? -1 : view.activeEdit);
      break;
    }
    case Kind::Button: {
      const std::string label = MenuLabel(c.text, c.cp);
      host.Need(label);
      ImGui::SetCursorScreenPos(at);
      if (ImGui::Button((label + tag).c_str(), ImVec2(c.width * s, c.height * s))) {
        model.SetFocus(c.id);
        model.Click(c.id);
      }
      FocusFrame(model, c.id);
      break;
    }
    case Kind::CheckBox: {
      const std::string label = MenuLabel(c.text, c.cp);
      host.Need(label);
      ImGui::SetCursorScreenPos(at);
      bool on = c.value != 0;
      if (ImGui::Checkbox((label + tag).c_str(), &on)) {
        model.SetFocus(c.id);
        model.ValueChanged(c.id, on ? 1 : 0);
      }
      FocusFrame(model, c.id);
      break;
    }
    case Kind::ScrollBar: {
      ImGui::SetCursorScreenPos(at);
      ImGui::SetNextItemWidth(c.width * s);
      ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(0, 0));
      ImGui::PushStyleVar(ImGuiStyleVar_GrabMinSize, c.height * s);
      int v = c.value;
      if (ImGui::SliderInt(tag.c_str(), &v, c.minimum, c.maximum, "", ImGuiSliderFlags_AlwaysClamp))
        model.ValueChanged(c.id, v);
      if (ImGui::IsItemActivated()) model.SetFocus(c.id);
      ImGui::PopStyleVar(2);
      FocusFrame(model, c.id);
      break;
    }
    case Kind::Grid: {
      ImGui::SetCursorScreenPos(at);
      ImGui::PushStyleColor(ImGuiCol_ChildBg, IM_COL32(255, 255, 255, 255));
      ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
      const ImVec2 size(c.width * s, c.height * s);
      ImGui::BeginChild(tag.c_str(), size, true, ImGuiWindowFlags_AlwaysVerticalScrollbar);
      const float rowH = c.rowHeight * s;
      if (c.topRow >= 0 && view.shownTop[c.id] != c.topRow + 1) {
        ImGui::SetScrollY(c.topRow * rowH);
        view.shownTop[c.id] = c.topRow + 1;
      } else if (view.shownRow[c.id] != c.row + 1 && c.row >= 0) {
        // The selection moved by the keyboard: keep it in sight.
        const float y = c.row * rowH, top = ImGui::GetScrollY(), h = size.y - 2;
        if (y < top) ImGui::SetScrollY(y);
        if (y + rowH > top + h) ImGui::SetScrollY(y + rowH - h);
      }
      view.shownRow[c.id] = c.row + 1;
      ImDrawList* draw = ImGui::GetWindowDrawList();
      const ImVec2 origin = ImGui::GetCursorScreenPos();
      for (size_t i = 0; i < c.rows.size(); ++i) {
        const float y = static_cast<float>(i) * rowH;
        ImGui::SetCursorScreenPos(ImVec2(origin.x, origin.y + y));
        const bool selected = static_cast<int>(i) == c.row;
        if (ImGui::Selectable(("##r" + std::to_string(i) + tag).c_str(), selected,
                              ImGuiSelectableFlags_AllowDoubleClick, ImVec2(0, rowH - 1))) {
          model.SetFocus(c.id);
          if (!selected) model.RowSelected(c.id, static_cast<int>(i));
          if (ImGui::IsMouseDoubleClicked(0)) model.DoubleClick(c.id);
        }
        float x = origin.x + 3 * s;
        for (size_t col = 0; col < c.columns.size() && col < c.rows[i].size(); ++col) {
          const float w = c.columns[col] * s;
          if (w <= 0) continue;
          const std::string cell = Utf8Of(c.rows[i][col], c.cp);
          host.Need(cell);
          draw->PushClipRect(ImVec2(x, origin.y + y), ImVec2(x + w - 4 * s, origin.y + y + rowH),
                             true);
          draw->AddText(ImVec2(x, origin.y + y + (rowH - ImGui::GetFontSize()) / 2),
                        ImGui::GetColorU32(ImGuiCol_Text), cell.c_str());
          draw->PopClipRect();
          x += w;
        }
        draw->AddLine(ImVec2(origin.x, origin.y + y + rowH - 1),
                      ImVec2(origin.x + size.x, origin.y + y + rowH - 1),
                      IM_COL32(192, 192, 192, 255));
      }
      ImGui::EndChild();
      ImGui::PopStyleVar();
      ImGui::PopStyleColor();
      FocusFrame(model, c.id);
      break;
    }
    case Kind::Panel: {
      ImDrawList* draw = ImGui::GetWindowDrawList();
      const ImVec2 b(at.x + c.width * s, at.y + c.height * s);
      draw->AddRect(at, b, IM_COL32(128, 128, 128, 255));
      draw->AddLine(ImVec2(at.x + 1, b.y - 1), ImVec2(b.x - 1, b.y - 1),
                    IM_COL32(255, 255, 255, 255));
      break;
    }
  }
  ImGui::EndDisabled();
}

// Draws the dialog as a window whose client area sits at the model's place.
void DrawDialog(ImGuiHost& host, DialogView& view, bool interactive, int layer) {
  DialogModel& model = *view.model;
  const float s = host.Scale();
  const std::string caption = WithoutCr(Utf8Of(model.Caption(), CodePage::GBK));
  host.Need(caption);
  const float titleH = ImGui::GetFrameHeight();
  int left = model.PlaceLeft < 0 ? (800 - model.Width()) / 2 : model.PlaceLeft;
  int top = model.PlaceTop < 0 ? (600 - model.Height()) / 2 : model.PlaceTop;
  const int side = model.SideWidth();  // a pane beyond the described controls
  left = std::clamp(left, 0, std::max(0, 800 - model.Width() - side));
  top = std::clamp(top, static_cast<int>(titleH / s), std::max(0, 600 - model.Height()));
  const ImVec2 client = host.ToWindow(static_cast<float>(left), static_cast<float>(top));
  ImGui::SetNextWindowPos(ImVec2(client.x, client.y - titleH));
  ImGui::SetNextWindowSize(ImVec2((model.Width() + side) * s, model.Height() * s + titleH));
  if (interactive) ImGui::SetNextWindowFocus();
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
  bool open = true;
  const std::string name =
      (caption.empty() ? std::string(" ") : caption) + "##dialog" + std::to_string(layer);
  ImGui::Begin(name.c_str(), &open,
               ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar |
                   ImGuiWindowFlags_NoScrollWithMouse);
  ImGui::PopStyleVar();
  if (!open && interactive) model.CloseBox();

  // The page control: tabs across its top, the pages' controls below them.
  const ScreenRect area = model.PageArea();
  const std::vector<Bytes> pages = model.Pages();
  ImVec2 sheet = client;
  if (!pages.empty() && area.width > 0) {
    const ImVec2 at(client.x + area.left * s, client.y + area.top * s);
    ImGui::SetCursorScreenPos(at);
    ImGui::BeginDisabled(!interactive);
    ImGui::PushItemWidth(area.width * s);
    if (ImGui::BeginTabBar("##pages")) {
      for (size_t i = 0; i < pages.size(); ++i) {
        const std::string label = MenuLabel(pages[i]);
        host.Need(label);
        const bool forced = view.shownPage != model.Page() && model.Page() == static_cast<int>(i);
        if (ImGui::BeginTabItem((label + "##p" + std::to_string(i)).c_str(), nullptr,
                                forced ? ImGuiTabItemFlags_SetSelected : 0)) {
          if (!forced && model.Page() != static_cast<int>(i) && view.shownPage == model.Page())
            model.SetPage(static_cast<int>(i));  // the reader chose this tab
          ImGui::EndTabItem();
        }
      }
      ImGui::EndTabBar();
    }
    view.shownPage = model.Page();
    ImGui::PopItemWidth();
    ImGui::EndDisabled();
    const float tabsBottom = ImGui::GetCursorScreenPos().y;
    ImGui::GetWindowDrawList()->AddRect(ImVec2(at.x, tabsBottom - 1),
                                        ImVec2(at.x + area.width * s, at.y + area.height * s),
                                        IM_COL32(160, 160, 160, 255));
    sheet = ImVec2(at.x + 4 * s, tabsBottom + 3 * s);
  }
  for (const DialogControl& c : model.Controls()) {
    if (!c.visible || (c.page >= 0 && c.page != model.Page())) continue;
    const ImVec2 origin = c.page >= 0 ? sheet : client;
    DrawControl(host, view, c, ImVec2(origin.x + c.left * s, origin.y + c.top * s), interactive);
  }
  DrawSidePane(model, ImVec2(client.x + model.Width() * s, client.y + 8 * s), s);
  if (interactive) SpeakDialogFocus(model);
  ImGui::End();
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
  setup.endOnQuit = true;
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
        const ImVec2 lo = ImGui::GetItemRectMin(), hi = ImGui::GetItemRectMax();
        centres[i] = ImVec2((lo.x + hi.x) / 2, (lo.y + hi.y) / 2);
        if (ImGui::IsItemHovered() && usable(i) && !warp) hot = i;
      }
      if (hot >= 0) SpeakFocus(MenuLabel(items[hot].caption));
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

int RunImGuiDialog(ImGuiHost::Setup setup, DialogModel& model) {
  if (!setup.window || !setup.renderer) {
    model.CloseBox();
    return model.Result();
  }
  setup.fontPixels = kDialogFontPixels;
  setup.endOnQuit = false;
  ImGuiHost host(setup);
  BeginSidePane(setup.renderer);
  DialogView main;
  main.model = &model;
  // A notice the model gives is a message box over the dialog, answered
  // before the dialog takes input again.
  std::unique_ptr<MessageBoxModel> notice;
  DialogView noticeView;
  auto top = [&]() -> DialogModel& { return notice ? static_cast<DialogModel&>(*notice) : model; };
  auto key = [&](const SDL_KeyboardEvent& k) {
    const int vk = VirtualKey(k.keysym.sym);
    if (vk == 0) return false;
    const uint32_t shift = ShiftOfMod(k.keysym.mod);
    if (k.type == SDL_KEYUP) {
      top().KeyUp(vk, shift);
      return false;
    }
    return top().KeyDown(vk, shift);
  };
  host.Run(key, [&] {
    if (notice && notice->Closed()) notice.reset();
    if (!notice && model.HasNotice()) {
      notice = std::make_unique<MessageBoxModel>(model.TakeNotice(), Gbk("苍月楼"),
                                                 MessageKind::Warning, false, CodePage::GBK);
      noticeView = DialogView{};
      noticeView.model = notice.get();
    }
    if (!notice && model.Closed()) return false;
    if (!model.Closed()) DrawDialog(host, main, !notice, 0);
    if (notice) DrawDialog(host, noticeView, true, 1);
    return true;
  });
  EndSidePane();
  return model.Result();
}

}  // namespace vantel

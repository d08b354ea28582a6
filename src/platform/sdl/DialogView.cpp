#include "platform/sdl/DialogView.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/MenuView.h"
#include "platform/sdl/SdlKeys.h"

namespace vantel {
namespace {

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
  int focusTaken = -1;  // the edit box the keyboard was last sent to
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
      // The keyboard goes to the edit box once, when the focus arrives there:
      // taking it every frame would steal the press of a button held down.
      if (!focused && view.focusTaken == c.id) view.focusTaken = -1;
      if (focused && view.activeEdit != c.id && view.focusTaken != c.id &&
          !ImGui::IsAnyMouseDown()) {
        ImGui::SetKeyboardFocusHere();
        view.focusTaken = c.id;
      }
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
      host.Mark(c.id);
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
      host.Mark(c.id);
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
  left = std::clamp(left, 0, std::max(0, 800 - model.Width()));
  top = std::clamp(top, static_cast<int>(titleH / s), std::max(0, 600 - model.Height()));
  const ImVec2 client = host.ToWindow(static_cast<float>(left), static_cast<float>(top));
  ImGui::SetNextWindowPos(ImVec2(client.x, client.y - titleH));
  ImGui::SetNextWindowSize(ImVec2(model.Width() * s, model.Height() * s + titleH));
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
  {
    // The title bar's close box: a square of the font's size at its right end.
    const ImVec2 pos = ImGui::GetWindowPos();
    const float right = pos.x + ImGui::GetWindowWidth() - ImGui::GetStyle().FramePadding.x;
    const float size = ImGui::GetFontSize();
    host.Mark(ImGuiHost::kCloseBoxTarget, ImVec2(right - size, pos.y + (titleH - size) / 2),
              ImVec2(right, pos.y + (titleH + size) / 2));
  }

  // The page control: tabs across its top, the pages' controls below them.
  const ScreenRect area = model.PageArea();
  const std::vector<Bytes> pages = model.Pages();
  ImVec2 sheet = client;
  if (!pages.empty() && area.width > 0) {
    const ImVec2 at(client.x + area.left * s, client.y + area.top * s);
    // The tabs are drawn as buttons of our own: ImGui's tab bar lost
    // clicks whose press and release came in one frame, or on a tab chosen
    // before. A tab, like a button, acts on the release over it.
    ImGui::BeginDisabled(!interactive);
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float tabH = ImGui::GetFrameHeight();
    const ImU32 edge = IM_COL32(160, 160, 160, 255);
    float x = at.x;
    for (size_t i = 0; i < pages.size(); ++i) {
      const std::string label = MenuLabel(pages[i]);
      host.Need(label);
      const bool selected = model.Page() == static_cast<int>(i);
      const ImVec2 size(std::floor(ImGui::CalcTextSize(label.c_str()).x + 12 * s), tabH);
      const ImVec2 a(x, selected ? at.y : at.y + 2 * s), b(x + size.x, at.y + tabH);
      ImGui::SetCursorScreenPos(a);
      if (ImGui::InvisibleButton(("##p" + std::to_string(i)).c_str(), ImVec2(size.x, b.y - a.y)))
        model.SetPage(static_cast<int>(i));
      host.Mark(ImGuiHost::kFirstTabTarget - static_cast<int>(i));
      const bool hot = ImGui::IsItemHovered();
      draw->AddRectFilled(a, b,
                          selected
                              ? ImGui::GetColorU32(ImGuiCol_WindowBg)
                              : ImGui::GetColorU32(hot ? ImGuiCol_ButtonHovered : ImGuiCol_Button));
      draw->AddLine(a, ImVec2(a.x, b.y), edge);
      draw->AddLine(a, ImVec2(b.x, a.y), edge);
      draw->AddLine(ImVec2(b.x, a.y), b, edge);
      draw->AddText(ImVec2(a.x + 6 * s, a.y + (b.y - a.y - ImGui::GetFontSize()) / 2),
                    ImGui::GetColorU32(ImGuiCol_Text), label.c_str());
      x += size.x;
    }
    ImGui::EndDisabled();
    ImGui::SetCursorScreenPos(ImVec2(at.x, at.y + tabH));
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
  ImGui::End();
}

}  // namespace

int RunImGuiDialog(ImGuiHost::Setup setup, DialogModel& model, bool* quit) {
  if (!setup.window || !setup.renderer) {
    model.CloseBox();
    return model.Result();
  }
  setup.fontPixels = kDialogFontPixels;
  ImGuiHost host(setup);
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
      notice = std::make_unique<MessageBoxModel>(model.TakeNotice(), setup.caption,
                                                 MessageKind::Warning, false, CodePage::GBK);
      noticeView = DialogView{};
      noticeView.model = notice.get();
    }
    if (!notice && model.Closed()) return false;
    if (!model.Closed()) DrawDialog(host, main, !notice, 0);
    if (notice) DrawDialog(host, noticeView, true, 1);
    return true;
  });
  if (host.QuitSeen()) {
    // The window is to close: the dialog is cancelled, and the program asks.
    if (!model.Closed()) model.CloseBox();
    if (quit) *quit = true;
  }
  return model.Result();
}

}  // namespace vantel

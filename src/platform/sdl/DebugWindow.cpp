#include "platform/sdl/DebugWindow.h"

#include <backends/imgui_impl_sdlrenderer.h>
#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <string>

#include "platform/sdl/SdlKeys.h"
#include "platform/sdl/UiFont.h"

namespace vantel {
namespace {

constexpr float kFontPixels = 13;
constexpr float kHeadingScale = 19.0f / kFontPixels;  // the section titles
// While the author works in the window it is drawn 30 times a second; left
// alone it only follows the live values, four times a second, so an open
// debugger costs next to nothing.
constexpr Uint32 kFramePeriod = 33;
constexpr Uint32 kIdlePeriod = 250;
constexpr Uint32 kBusyAfterInput = 1000;  // how long input keeps the quick pace

// Keeps the ImGui context that was current (a modal dialog's) around a
// debugger window's work.
class ContextScope {
 public:
  explicit ContextScope(ImGuiContext* context) : previous_(ImGui::GetCurrentContext()) {
    ImGui::SetCurrentContext(context);
  }
  ~ContextScope() { ImGui::SetCurrentContext(previous_); }
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;

 private:
  ImGuiContext* previous_;
};

Uint32 WindowIdOf(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_WINDOWEVENT:
      return ev.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return ev.key.windowID;
    case SDL_TEXTINPUT:
      return ev.text.windowID;
    case SDL_TEXTEDITING:
      return ev.edit.windowID;
    case SDL_MOUSEMOTION:
      return ev.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return ev.button.windowID;
    case SDL_MOUSEWHEEL:
      return ev.wheel.windowID;
    default:
      return 0;
  }
}

// The atlas of the window being drawn: every text shown passes through Utf8.
GlyphAtlas* drawing = nullptr;

std::string Utf8(const Bytes& text) {
  std::string s = ToUtf8(text, CodePage::CP932);
  if (drawing) drawing->Need(s);
  return s;
}

// A button of the given size at (x, y).
bool ButtonAt(const char* label, float x, float y, float w, float h) {
  ImGui::SetCursorPos(ImVec2(x, y));
  return ImGui::Button(label, ImVec2(w, h));
}

void TextAt(float x, float y, const std::string& text, float scale = 1) {
  ImGui::SetCursorPos(ImVec2(x, y));
  ImGui::SetWindowFontScale(scale);
  ImGui::TextUnformatted(text.c_str());
  ImGui::SetWindowFontScale(1);
}

}  // namespace

struct DebugWindows::Window {
  DebugPanel* panel = nullptr;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  ImGuiContext* context = nullptr;
  Uint32 lastDraw = 0;
  Uint32 lastInput = 0;
  bool buttonChanged = false;  // a press or release (button or key) not yet drawn
  size_t linesShown = 0;       // the message box follows new lines
  std::string edit;            // the jump target being typed (UTF-8)
  int editingRow = -1;         // the value cell being typed into
  std::string cell;
  GlyphAtlas atlas{kFontPixels};
  bool software = false;  // drawn by SDL's software renderer, as the main window is

  ~Window() {
    if (context) {
      ContextScope scope(context);
      ImGui_ImplSDLRenderer_Shutdown();
      GlyphAtlas::Release(*ImGui::GetIO().Fonts);
      ImGui::DestroyContext(context);
    }
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
  }

  bool Create() {
    window = SDL_CreateWindow(Utf8(panel->Caption()).c_str(), panel->Left(), panel->Top(),
                              panel->Width(), panel->Height(),
                              SDL_WINDOW_RESIZABLE | SDL_WINDOW_UTILITY);
    if (!window) return false;
    // The main window's choice: where it draws on the CPU, so does this one
    // (a GL renderer here would load the software GL driver for nothing).
    renderer = SDL_CreateRenderer(window, -1, software ? SDL_RENDERER_SOFTWARE : 0);
    if (!renderer) return false;
    context = ImGui::CreateContext();
    ContextScope scope(context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    MapImGuiKeys(io);
    io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    ImGui::StyleColorsDark();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 0;
    style.WindowPadding = ImVec2(0, 0);
    style.WindowBorderSize = 0;
    style.FrameBorderSize = 1;
    style.FramePadding = ImVec2(3, 1);
    style.Colors[ImGuiCol_WindowBg] = ImVec4(0, 0, 0, 1);
    style.Colors[ImGuiCol_Text] = ImVec4(1, 1, 1, 1);
    // Script names and code are Japanese: the atlas takes the characters shown.
    atlas.Build(*io.Fonts);
    ImGui_ImplSDLRenderer_Init(renderer);
    edit = Utf8(panel->JumpTarget());
    return true;
  }

  void Feed(const SDL_Event& ev) {
    ContextScope scope(context);
    ImGuiIO& io = ImGui::GetIO();
    lastInput = SDL_GetTicks();
    switch (ev.type) {
      case SDL_MOUSEMOTION:
        io.MousePos = ImVec2(static_cast<float>(ev.motion.x), static_cast<float>(ev.motion.y));
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        // One press or release per frame, so a quick click is never lost.
        if (buttonChanged) Draw();
        const int b = ev.button.button == SDL_BUTTON_LEFT    ? 0
                      : ev.button.button == SDL_BUTTON_RIGHT ? 1
                                                             : 2;
        io.MousePos = ImVec2(static_cast<float>(ev.button.x), static_cast<float>(ev.button.y));
        io.MouseDown[b] = ev.type == SDL_MOUSEBUTTONDOWN;
        buttonChanged = true;
        break;
      }
      case SDL_MOUSEWHEEL:
        io.MouseWheel += static_cast<float>(ev.wheel.y);
        io.MouseWheelH += static_cast<float>(ev.wheel.x);
        break;
      case SDL_TEXTINPUT:
        io.AddInputCharactersUTF8(ev.text.text);
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        // Likewise one change of a key per frame: a press and its release
        // in one frame would never be seen.
        if (buttonChanged) Draw();
        buttonChanged = true;
        const SDL_Scancode sc = ev.key.keysym.scancode;
        io.KeyShift = (ev.key.keysym.mod & KMOD_SHIFT) != 0;
        io.KeyCtrl = (ev.key.keysym.mod & KMOD_CTRL) != 0;
        io.KeyAlt = (ev.key.keysym.mod & KMOD_ALT) != 0;
        if (sc >= 0 && sc < IM_ARRAYSIZE(io.KeysDown)) io.KeysDown[sc] = ev.type == SDL_KEYDOWN;
        if (ev.type == SDL_KEYDOWN && sc == SDL_SCANCODE_F5 && !ev.key.repeat) panel->ReloadClick();
        break;
      }
      case SDL_WINDOWEVENT:
        if (ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          // The width never goes below the panel's minimum.
          const int w = panel->ResizedWidth(ev.window.data1);
          if (w != ev.window.data1) SDL_SetWindowSize(window, w, ev.window.data2);
        } else if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
          panel->CloseClick();
        } else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
          SDL_StartTextInput();
        } else if (ev.window.event == SDL_WINDOWEVENT_LEAVE) {
          io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
        }
        break;
      default:
        break;
    }
  }

  void Draw() {
    ContextScope scope(context);
    if (atlas.Stale()) {
      atlas.Build(*ImGui::GetIO().Fonts);
      ImGui_ImplSDLRenderer_DestroyFontsTexture();  // made again by NewFrame
    }
    ImGuiIO& io = ImGui::GetIO();
    panel->RefreshValues();
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    io.DisplaySize = ImVec2(static_cast<float>(w), static_cast<float>(h));
    const Uint32 now = SDL_GetTicks();
    io.DeltaTime = lastDraw && now > lastDraw ? (now - lastDraw) / 1000.0f : 1.0f / 30.0f;
    lastDraw = now;
    buttonChanged = false;
    ImGui_ImplSDLRenderer_NewFrame();
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    drawing = &atlas;
    atlas.Need(edit);
    if (editingRow >= 0) atlas.Need(cell);
    ImGui::Begin("##debuger", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);
    DrawControls(static_cast<float>(w), static_cast<float>(h));
    ImGui::End();
    drawing = nullptr;
    ImGui::Render();
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
    SDL_RenderPresent(renderer);
  }

  // The controls at their places; those anchored right or bottom follow the
  // window's size (the designed size is 194x573).
  void DrawControls(float w, float h) {
    const float grow = w - 194;
    TextAt(3, 0, "Information", kHeadingScale);
    TextAt(8, 30, Utf8(panel->ScriptLine()));
    TextAt(8, 46, Utf8(panel->CodeLine()));
    TextAt(8, 82, "HREF");
    ImGui::SetCursorPos(ImVec2(48, 80));
    ImGui::SetNextItemWidth(std::max(20.0f, 73 + grow));
    char buffer[256];
    const size_t n = std::min(edit.size(), sizeof buffer - 1);
    edit.copy(buffer, n);
    buffer[n] = 0;
    const bool enter =
        ImGui::InputText("##href", buffer, sizeof buffer, ImGuiInputTextFlags_EnterReturnsTrue);
    edit = buffer;
    panel->SetJumpTarget(FromUtf8(edit, CodePage::CP932));
    if (ButtonAt("JUMP", 128 + grow, 80, 60, 22) || enter) panel->JumpClick();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddLine(ImVec2(0, 105), ImVec2(200 + grow, 105), IM_COL32(128, 128, 128, 255));
    TextAt(3, 104, "Message", kHeadingScale);
    ImGui::SetWindowFontScale(11.0f / kFontPixels);
    if (ButtonAt("CLEAR", 128 + grow, 115, 59, 14)) panel->ClearClick();
    ImGui::SetWindowFontScale(1);
    DrawMessages(grow);
    TextAt(3, 312, "Value", kHeadingScale);
    DrawGrid(grow, h - 573);
    if (ButtonAt("RELOAD", 8, h - 38, 75, 22)) panel->ReloadClick();
    if (ButtonAt("UPDATE", 112 + grow, h - 38, 75, 22)) panel->UpdateClick();
  }

  void DrawMessages(float grow) {
    const std::vector<Bytes>& lines = panel->MessageLines();
    ImGui::SetCursorPos(ImVec2(0, 136));
    ImGui::PushStyleColor(ImGuiCol_ChildBg, ImVec4(0, 0, 0, 1));
    ImGui::BeginChild(
        "##message", ImVec2(193 + grow, 169), true,
        ImGuiWindowFlags_HorizontalScrollbar | ImGuiWindowFlags_AlwaysVerticalScrollbar);
    for (const Bytes& line : lines) ImGui::TextUnformatted(Utf8(line).c_str());
    if (lines.size() != linesShown) ImGui::SetScrollHereY(1.0f);  // follow what was added
    linesShown = lines.size();
    ImGui::EndChild();
    ImGui::PopStyleColor();
  }

  void DrawGrid(float grow, float growDown) {
    ImGui::SetCursorPos(ImVec2(0, 336));
    const ImVec2 size(193 + grow, std::max(40.0f, 176 + growDown));
    if (!ImGui::BeginTable("##value", 3,
                           ImGuiTableFlags_Resizable | ImGuiTableFlags_Borders |
                               ImGuiTableFlags_ScrollY | ImGuiTableFlags_SizingFixedFit,
                           size))
      return;
    ImGui::TableSetupScrollFreeze(1, 1);
    ImGui::TableSetupColumn(Utf8(panel->GridCell(0, 0)).c_str(), 0, 24);
    ImGui::TableSetupColumn(Utf8(panel->GridCell(1, 0)).c_str(), 0, 80);
    ImGui::TableSetupColumn(Utf8(panel->GridCell(2, 0)).c_str(),
                            ImGuiTableColumnFlags_WidthStretch);
    ImGui::TableHeadersRow();
    for (int r = 1; r < panel->GridRows(); ++r) {
      ImGui::TableNextRow();
      for (int c = 0; c < 3; ++c) {
        ImGui::TableSetColumnIndex(c);
        const std::string text = Utf8(panel->GridCell(c, r));
        if (!panel->GridCellEditable(c, r)) {
          ImGui::TextUnformatted(text.c_str());
          continue;
        }
        // An edited cell keeps what is typed until Enter hands it over.
        char buffer[64];
        const std::string& shown = editingRow == r ? cell : text;
        const size_t n = std::min(shown.size(), sizeof buffer - 1);
        shown.copy(buffer, n);
        buffer[n] = 0;
        ImGui::PushID(r);
        ImGui::SetNextItemWidth(-FLT_MIN);
        if (ImGui::InputText("##cell", buffer, sizeof buffer,
                             ImGuiInputTextFlags_EnterReturnsTrue)) {
          panel->EditCell(c, r, FromUtf8(buffer, CodePage::CP932));
          editingRow = -1;
        } else if (ImGui::IsItemActive()) {
          editingRow = r;
          cell = buffer;
        } else if (editingRow == r) {
          editingRow = -1;  // left without Enter: the live value again
        }
        ImGui::PopID();
      }
    }
    ImGui::EndTable();
  }
};

DebugWindows::DebugWindows(bool software) : software_(software) {}

DebugWindows::~DebugWindows() = default;

bool DebugWindows::Open(DebugPanel& panel) {
  auto w = std::make_unique<Window>();
  w->panel = &panel;
  w->software = software_;
  if (!w->Create()) return false;
  w->Draw();
  windows_.push_back(std::move(w));
  return true;
}

void DebugWindows::Close(DebugPanel& panel) {
  std::erase_if(windows_,
                [&panel](const std::unique_ptr<Window>& w) { return w->panel == &panel; });
}

SDL_Window* DebugWindows::WindowOf(const DebugPanel& panel) const {
  for (const auto& w : windows_)
    if (w->panel == &panel) return w->window;
  return nullptr;
}

DebugWindows::Fed DebugWindows::Feed(const SDL_Event& ev) {
  if (windows_.empty()) return Fed::NotMine;
  const Uint32 id = WindowIdOf(ev);
  if (id == 0) return Fed::NotMine;
  for (const auto& w : windows_) {
    if (SDL_GetWindowID(w->window) != id) continue;
    w->Feed(ev);
    if (ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
      return Fed::Activated;
    return Fed::Used;
  }
  // With more than one window, SDL reports the main window's close box as
  // a window event only.
  if (ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_CLOSE) return Fed::CloseMain;
  // The focus went from the main window to a debugger window (whichever of
  // the two events comes first): the application stays active.
  if (ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
    for (const auto& w : windows_)
      if (SDL_GetWindowFlags(w->window) & SDL_WINDOW_INPUT_FOCUS) return Fed::Used;
  return Fed::NotMine;
}

void DebugWindows::Draw() {
  std::erase_if(windows_, [](const std::unique_ptr<Window>& w) { return w->panel->Closed(); });
  const Uint32 now = SDL_GetTicks();
  for (const auto& w : windows_) {
    const bool busy = now - w->lastInput < kBusyAfterInput || w->linesShown != w->panel->MessageLines().size();
    if (w->buttonChanged || now - w->lastDraw >= (busy ? kFramePeriod : kIdlePeriod)) w->Draw();
  }
}

}  // namespace vantel

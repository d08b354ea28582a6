#include "platform/sdl/SdlPlatform.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/Errors.h"
#include "platform/FontText.h"
#include "platform/sdl/DebugWindow.h"
#include "platform/sdl/ImGuiHost.h"
#include "platform/sdl/ImGuiMenu.h"
#include "platform/sdl/SdlAudio.h"
#include "platform/sdl/WindowSystem.h"

namespace vantel {
namespace {

uint32_t ShiftState(uint32_t mouseButtons) {
  const SDL_Keymod m = SDL_GetModState();
  uint32_t s = 0;
  if (m & KMOD_SHIFT) s |= kShift;
  if (m & KMOD_ALT) s |= kAlt;
  if (m & KMOD_CTRL) s |= kCtrl;
  if (mouseButtons & SDL_BUTTON_LMASK) s |= kLeftButton;
  if (mouseButtons & SDL_BUTTON_RMASK) s |= kRightButton;
  if (mouseButtons & SDL_BUTTON_MMASK) s |= kMiddleButton;
  return s;
}

MouseButton ButtonOf(uint8_t b) {
  return b == SDL_BUTTON_RIGHT    ? MouseButton::Right
         : b == SDL_BUTTON_MIDDLE ? MouseButton::Middle
                                  : MouseButton::Left;
}

// The single-instance check uses an abstract Unix socket named after the
// window class and the user: a second start connects, which tells the first
// to raise its window.
sockaddr_un InstanceAddress(const std::string& className, socklen_t& length) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::string name = "vantel-" + className + "-" + std::to_string(::getuid());
  std::memcpy(addr.sun_path + 1, name.data(), std::min(name.size(), sizeof(addr.sun_path) - 2));
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return addr;
}

// Text for a message box; bytes the code page cannot convert are shown as they are.
std::string Utf8OrBytes(const Bytes& text, CodePage cp) {
  try {
    return ToUtf8(text, cp);
  } catch (const std::exception&) {
    return text;
  }
}

// A GPU the GL driver could use: DRM devices or NVIDIA's own. Without one,
// GL would run on the CPU, at the cost of LLVM's memory and threads.
bool GpuDevicePresent() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec))
    if (entry.path().filename().string().rfind("renderD", 0) == 0 ||
        entry.path().filename().string().rfind("card", 0) == 0)
      return true;
  return std::filesystem::exists("/dev/nvidia0", ec);
}

bool EnvIs(const char* name, const char* value) {
  const char* v = std::getenv(name);
  return v && std::strcmp(v, value) == 0;
}

// The GL renderer's rasteriser, read from the context the renderer made current.
bool RendererIsSoftwareGl(SDL_Renderer* renderer) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name) return false;
  if (std::strncmp(info.name, "opengl", 6) != 0) return false;  // "opengl", "opengles2"
  using GetString = const unsigned char* (*)(unsigned);
  auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned kGlRenderer = 0x1F01;
  const unsigned char* name = getString ? getString(kGlRenderer) : nullptr;
  return name && IsSoftwareGl(reinterpret_cast<const char*>(name));
}

bool Is32Bit(uint32_t format) {
  return format != SDL_PIXELFORMAT_UNKNOWN && !SDL_ISPIXELFORMAT_FOURCC(format) &&
         SDL_BYTESPERPIXEL(format) == 4;
}

PadButton PadButtonOf(uint8_t b) {
  switch (b) {
    case SDL_CONTROLLER_BUTTON_A:
      return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B:
      return PadButton::B;
    case SDL_CONTROLLER_BUTTON_START:
      return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return PadButton::DpadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return PadButton::DpadDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return PadButton::DpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return PadButton::DpadRight;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      return PadButton::LeftShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      return PadButton::RightShoulder;
    default:
      return PadButton::Other;
  }
}

}  // namespace

SdlPlatform::SdlPlatform() {
  // Subsystems are reference-counted, so several platforms (tests) can live at once.
  if (SDL_InitSubSystem(SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0)
    throw Error(std::string("SDL: ") + SDL_GetError());
}

SdlPlatform::~SdlPlatform() {
  DestroyMainWindow();
  for (SDL_GameController* pad : pads_) SDL_GameControllerClose(pad);
  if (padInit_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  if (instanceSocket_ >= 0) ::close(instanceSocket_);
  if (videoInit_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_QuitSubSystem(SDL_INIT_TIMER | SDL_INIT_EVENTS);
}

uint32_t SdlPlatform::TickCount() {
  return SDL_GetTicks();
}
void SdlPlatform::Sleep(uint32_t ms) {
  SDL_Delay(ms);
}

bool SdlPlatform::CreateMainWindow(const Bytes& caption, int width, int height) {
  if (!InitVideo()) return false;
  width_ = width;
  height_ = height;
  windowCaption_ = caption;
  SDL_Rect usable{0, 0, 0, 0};
  SDL_GetDisplayUsableBounds(0, &usable);
  scale_ = ChooseWindowScale(requestedScale_, usable.w, usable.h, width, height);
  window_ = SDL_CreateWindow(ToUtf8(caption, CodePage::GBK).c_str(), SDL_WINDOWPOS_CENTERED,
                             SDL_WINDOWPOS_CENTERED, width * scale_, height * scale_,
                             SDL_WINDOW_ALLOW_HIGHDPI);
  if (!window_) return false;
  // A fixed client: the window manager offers no resizing.
  SDL_SetWindowMinimumSize(window_, width * scale_, height * scale_);
  SDL_SetWindowMaximumSize(window_, width * scale_, height * scale_);
  if (!CreateRenderer() || !CreateFrameTexture()) return false;
  pad_ = GamepadMap(width, height);
  UpdatePlace();
  ShowFrame();
  SDL_EventState(SDL_DROPFILE, SDL_DISABLE);
  // Controllers already plugged in arrive as "added" events, like later ones.
  if (!padInit_) padInit_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  return true;
}

bool SdlPlatform::CreateRenderer() {
  const bool legacy = EnvIs("VANTEL_PRESENT_EVERY_TICK", "1");
  gate_ = PresentGate(legacy);
  const char* driver = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  if (legacy) {
    // The old way: the first accelerated renderer, whatever runs it, shown every tick.
    renderer_ =
        SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  } else if (driver && *driver) {
    renderer_ = SDL_CreateRenderer(window_, -1, 0);  // the reader's choice
  } else if (GpuDevicePresent() && !EnvIs("LIBGL_ALWAYS_SOFTWARE", "1")) {
    renderer_ =
        SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ && RendererIsSoftwareGl(renderer_)) {
      SDL_DestroyRenderer(renderer_);
      renderer_ = nullptr;
    }
  }
  if (!renderer_) {
    // The window surface drawn by the CPU; without the hint SDL would draw
    // even that through a GL texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!renderer_) return false;
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(renderer_, &info);
  softwareRenderer_ = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
  // The texture keeps the format the renderer draws from as it is: the
  // window's own for the software renderer, the renderer's first otherwise.
  textureFormat_ = softwareRenderer_ ? SDL_GetWindowPixelFormat(window_)
                                     : (info.num_texture_formats ? info.texture_formats[0] : 0);
  if (!Is32Bit(textureFormat_)) textureFormat_ = SDL_PIXELFORMAT_ARGB8888;
  if (legacy) textureFormat_ = SDL_PIXELFORMAT_BGR24;
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  return true;
}

bool SdlPlatform::CreateFrameTexture() {
  texture_ =
      SDL_CreateTexture(renderer_, textureFormat_, SDL_TEXTUREACCESS_STREAMING, width_, height_);
  if (!texture_) return false;
  SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
  // Black until the first cells arrive.
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) == 0) {
    for (int y = 0; y < height_; ++y)
      std::memset(static_cast<uint8_t*>(pixels) + static_cast<size_t>(y) * pitch, 0,
                  static_cast<size_t>(width_) * SDL_BYTESPERPIXEL(textureFormat_));
    SDL_UnlockTexture(texture_);
  }
  return true;
}

void SdlPlatform::UpdatePlace() {
  if (!window_ || !renderer_) return;
  int w = width_, h = height_, ow = width_, oh = height_;
  SDL_GetWindowSize(window_, &w, &h);
  if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0) ow = w, oh = h;
  placeWindow_ = PlacePicture(w, h, width_, height_);
  placeOutput_ = PlacePicture(ow, oh, width_, height_);
  // Whole multiples stay sharp; other scales (full screen) are smoothed.
  const bool whole = placeOutput_.width % width_ == 0 && placeOutput_.height % height_ == 0;
  if (texture_)
    SDL_SetTextureScaleMode(texture_, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
  gate_.Exposed();
}

void SdlPlatform::ShowFrame() {
  if (!renderer_) return;
  SDL_RenderClear(renderer_);
  const SDL_Rect dst{placeOutput_.left, placeOutput_.top, placeOutput_.width, placeOutput_.height};
  SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
  notice_.Draw(renderer_, placeOutput_);
  SDL_RenderPresent(renderer_);
}

void SdlPlatform::DestroyMainWindow() {
  debug_.reset();  // owned by the main window
  notice_.Drop();
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
}

bool SdlPlatform::ActivateRunningInstance(const std::string& className) {
  socklen_t length;
  sockaddr_un addr = InstanceAddress(className, length);
  int probe = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (probe >= 0 && ::connect(probe, reinterpret_cast<sockaddr*>(&addr), length) == 0) {
    ::close(probe);
    return true;  // the running instance raises its window when it sees the connection
  }
  if (probe >= 0) ::close(probe);
  instanceSocket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  if (instanceSocket_ >= 0 &&
      (::bind(instanceSocket_, reinterpret_cast<sockaddr*>(&addr), length) != 0 ||
       ::listen(instanceSocket_, 4) != 0)) {
    ::close(instanceSocket_);
    instanceSocket_ = -1;
  }
  return false;
}

bool SdlPlatform::InitVideo() {
  if (!videoInit_) videoInit_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  return videoInit_;
}

bool SdlPlatform::PollInstanceSocket() {
  if (instanceSocket_ < 0) return false;
  int c = ::accept(instanceSocket_, nullptr, nullptr);
  if (c < 0) return false;
  ::close(c);
  return true;
}

void SdlPlatform::RaiseWindow() {
  if (!window_) return;
  SDL_RestoreWindow(window_);
  SDL_RaiseWindow(window_);
}

void SdlPlatform::SetWindowPosition(int left, int top) {
  if (window_) SDL_SetWindowPosition(window_, left, top);
}

void SdlPlatform::GetWindowPosition(int& left, int& top) {
  left = top = 0;
  if (window_) SDL_GetWindowPosition(window_, &left, &top);
}

bool SdlPlatform::CoversDisplay() {
  SDL_Rect bounds{0, 0, 0, 0};
  const int display = SDL_GetWindowDisplayIndex(window_);
  if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) return true;
  // The window system answers in its own time; half a second is plenty.
  // Its own answer counts: SDL records the display's size at once.
  for (int i = 0; i < 50; ++i) {
    int w = 0, h = 0;
    WindowSystemSize(window_, w, h);
    if (w >= bounds.w && h >= bounds.h) return true;
    SDL_PumpEvents();
    SDL_Delay(10);
  }
  return false;
}

bool SdlPlatform::SetFullScreen(bool on) {
  if (!window_) return false;
  // Without a display-mode change, full screen covers the desktop and the
  // picture is scaled; with one, the window takes the changed mode.
  const int failed = SDL_SetWindowFullscreen(
      window_, on ? (modeChanged_ ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_FULLSCREEN_DESKTOP) : 0);
  bool isFull = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
  if (on && !failed && isFull && !CoversDisplay()) {
    // SDL took the request but the window system did not follow (no window
    // manager, or one that refuses): windowed it is, and the menu says so.
    SDL_SetWindowFullscreen(window_, 0);
    isFull = false;
  }
  fullScreen_ = failed ? isFull : on && isFull;
  if (!fullScreen_) {
    // Windowed again at the fixed scaled size, whatever the window manager left.
    SDL_SetWindowSize(window_, width_ * scale_, height_ * scale_);
  }
  UpdatePlace();
  return fullScreen_ == on;
}

void SdlPlatform::GetClientSize(int& width, int& height) {
  width = width_;
  height = height_;
}

void SdlPlatform::Present(const Picture& frame, const ScreenRect& rect, int offsetX, int offsetY) {
  if (!texture_ || frame.BytesPerPixel() != 3) return;
  const ScreenRect c =
      ClipPresentRect(rect, frame.Width(), frame.Height(), width_, height_, offsetX, offsetY);
  if (c.width <= 0 || c.height <= 0) return;
  const SDL_Rect r{c.left + offsetX, c.top + offsetY, c.width, c.height};
  gate_.Changed();
  if (textureFormat_ == SDL_PIXELFORMAT_BGR24) {
    SDL_UpdateTexture(texture_, &r, frame.Pixel(c.left, c.top), frame.Stride());
    return;
  }
  // Only these rows of the texture are written (and uploaded, for a GPU),
  // converted once here into the format the renderer draws from.
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(texture_, &r, &pixels, &pitch) != 0) return;
  SDL_ConvertPixels(c.width, c.height, SDL_PIXELFORMAT_BGR24, frame.Pixel(c.left, c.top),
                    frame.Stride(), textureFormat_, pixels, pitch);
  SDL_UnlockTexture(texture_);
}

void SdlPlatform::EndPresent() {
  if (gate_.Take()) ShowFrame();
}

bool SdlPlatform::PollEvent(InputEvent& e) {
  if (PollInstanceSocket()) RaiseWindow();
  if (notice_.Ended(TickCount())) ShowFrame();
  if (NextPadEvent(e)) return true;
  SDL_Event ev;
  while (SDL_PollEvent(&ev)) {
    e = InputEvent{};
    if (debug_) {  // the debugger's windows take their own events
      const DebugWindows::Fed fed = debug_->Feed(ev);
      if (fed == DebugWindows::Fed::Used) continue;
      if (fed != DebugWindows::Fed::NotMine) {
        e.kind = fed == DebugWindows::Fed::Activated ? InputEvent::Kind::Activate
                                                     : InputEvent::Kind::CloseRequest;
        return true;
      }
    }
    if (ControllerEvent(ev)) {
      if (NextPadEvent(e)) return true;
      continue;
    }
    switch (ev.type) {
      case SDL_QUIT:
        e.kind = InputEvent::Kind::CloseRequest;
        return true;
      case SDL_WINDOWEVENT:
        if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
          e.kind = InputEvent::Kind::Activate;
        else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
          e.kind = InputEvent::Kind::Deactivate;
        else if (ev.window.event == SDL_WINDOWEVENT_EXPOSED) {
          ShowFrame();
          continue;
        } else if (ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          UpdatePlace();
          ShowFrame();
          continue;
        } else
          continue;
        return true;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        e.kind = ev.type == SDL_KEYDOWN ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        e.key = VirtualKey(ev.key.keysym.sym);
        if (e.key == 0) continue;
        // The modifiers as they were with this key, not as they are now.
        e.shift = ShiftOfMod(ev.key.keysym.mod) | PadShift() |
                  (ShiftState(SDL_GetMouseState(nullptr, nullptr)) & ~(kShift | kAlt | kCtrl));
        return true;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        e.kind = ev.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::MouseDown
                                                : InputEvent::Kind::MouseUp;
        e.button = ButtonOf(ev.button.button);
        e.x = ev.button.x;
        e.y = ev.button.y;
        WindowToFrame(placeWindow_, width_, height_, e.x, e.y);
        e.shift = ShiftState(SDL_GetMouseState(nullptr, nullptr)) | PadShift();
        return true;
      case SDL_MOUSEMOTION:
        e.kind = InputEvent::Kind::MouseMove;
        e.x = ev.motion.x;
        e.y = ev.motion.y;
        WindowToFrame(placeWindow_, width_, height_, e.x, e.y);
        pad_.SetPointer(e.x, e.y);
        e.shift = ShiftState(ev.motion.state) | PadShift();
        return true;
      case SDL_MOUSEWHEEL:
        if (ev.wheel.y == 0) continue;
        e.kind = InputEvent::Kind::Wheel;
        e.wheel = (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev.wheel.y : ev.wheel.y) * 120;
        return true;
      case SDL_DROPFILE:
        e.kind = InputEvent::Kind::DropFiles;
        e.files.push_back(ev.drop.file);
        SDL_free(ev.drop.file);
        return true;
      default:
        continue;
    }
  }
  if (debug_) debug_->Draw();  // between the story's frames
  return false;
}

bool SdlPlatform::OpenDebugWindow(DebugPanel& panel) {
  if (!window_) return false;
  if (!debug_) debug_ = std::make_unique<DebugWindows>();
  return debug_->Open(panel);
}

void SdlPlatform::CloseDebugWindow(DebugPanel& panel) {
  if (debug_) debug_->Close(panel);
}

bool SdlPlatform::ControllerEvent(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_CONTROLLERDEVICEADDED:
      if (SDL_GameController* pad = SDL_GameControllerOpen(ev.cdevice.which)) {
        if (std::find(pads_.begin(), pads_.end(), pad) == pads_.end())
          pads_.push_back(pad);
        else
          SDL_GameControllerClose(pad);  // already open: drop the extra reference
      }
      return true;
    case SDL_CONTROLLERDEVICEREMOVED:
      if (SDL_GameController* pad = SDL_GameControllerFromInstanceID(ev.cdevice.which)) {
        pads_.erase(std::remove(pads_.begin(), pads_.end(), pad), pads_.end());
        SDL_GameControllerClose(pad);
      }
      pad_.Release();
      return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      pad_.Button(PadButtonOf(ev.cbutton.button), ev.type == SDL_CONTROLLERBUTTONDOWN, padEvents_);
      return true;
    case SDL_CONTROLLERAXISMOTION:
      if (ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) pad_.Axis(0, ev.caxis.value);
      if (ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) pad_.Axis(1, ev.caxis.value);
      padStepAt_ = SDL_GetTicks();
      return true;
    default:
      return false;
  }
}

bool SdlPlatform::NextPadEvent(InputEvent& e) {
  if (pad_.StickDeflected()) {
    const uint32_t now = SDL_GetTicks();
    const size_t before = padEvents_.size();
    pad_.Step(now - padStepAt_, padEvents_);
    padStepAt_ = now;
    if (padEvents_.size() > before && window_) {
      // The visible pointer goes along.
      int x = pad_.PointerX(), y = pad_.PointerY();
      FrameToWindow(placeWindow_, width_, height_, x, y);
      SDL_WarpMouseInWindow(window_, x, y);
    }
  }
  if (padEvents_.empty()) return false;
  e = padEvents_.front();
  padEvents_.erase(padEvents_.begin());
  return true;
}

uint32_t SdlPlatform::PadShift() const {
  return pad_.ShiftHeld() ? static_cast<uint32_t>(kShift) : 0u;
}

bool SdlPlatform::ShiftKeyDown() {
  return (SDL_GetModState() & KMOD_SHIFT) != 0 || pad_.ShiftHeld();
}

void SdlPlatform::AcceptDroppedFiles(bool on) {
  SDL_EventState(SDL_DROPFILE, on ? SDL_ENABLE : SDL_DISABLE);
}

MessageAnswer SdlPlatform::ShowMessage(const Bytes& text, const Bytes& caption, MessageKind kind,
                                       bool yesNo, CodePage cp, int x, int y) {
  if (window_ && renderer_) {
    // While the window exists every box is drawn inside it, over the frozen picture.
    MessageBoxModel box(text, caption.empty() ? windowCaption_ : caption, kind, yesNo, cp);
    int left = 0, top = 0;
    GetWindowPosition(left, top);
    if (x >= 0 && y >= 0) {
      box.PlaceLeft = x - left;  // screen to picture coordinates; the view keeps it inside
      box.PlaceTop = y - top;
    }
    RunModalDialog(box);
    return box.Answer();
  }
  const std::string t = Utf8OrBytes(text, cp), c = Utf8OrBytes(caption, cp);
  Uint32 flags = kind == MessageKind::Error     ? SDL_MESSAGEBOX_ERROR
                 : kind == MessageKind::Warning ? SDL_MESSAGEBOX_WARNING
                                                : SDL_MESSAGEBOX_INFORMATION;
  if (!yesNo) {
    if (SDL_ShowSimpleMessageBox(flags, c.c_str(), t.c_str(), nullptr) != 0)
      std::fprintf(stderr, "%s\n", t.c_str());  // no display: the reader still sees the message
    return MessageAnswer::Ok;
  }
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
  };
  SDL_MessageBoxData data{flags, nullptr, c.c_str(), t.c_str(), 2, buttons, nullptr};
  int pressed = 0;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) {
    // The caller chooses the answer that loses nothing and says which.
    std::fprintf(stderr, "vantel: this question could not be shown: %s\n", t.c_str());
    return MessageAnswer::Unanswered;
  }
  return pressed == 1 ? MessageAnswer::Yes : MessageAnswer::No;
}

struct ModalAccess {
  static ImGuiHost::Setup Setup(SdlPlatform& p, SdlPlatform::ModalFrame::What what,
                                DialogModel* model) {
    ImGuiHost::Setup setup;
    setup.window = p.window_;
    setup.renderer = p.renderer_;
    setup.frame = p.texture_;
    setup.frameWidth = p.width_;
    setup.frameHeight = p.height_;
    // Paced by the platform's own sleep, which a test's platform may make virtual.
    setup.sleep = [&p](uint32_t ms) { p.Sleep(ms); };
    setup.onDevice = [&p](const SDL_Event& e) { p.ControllerEvent(e); };
    if (p.observer_)
      setup.onFrame = [&p, what, model](int frame) {
        p.observer_(SdlPlatform::ModalFrame{what, model, frame});
      };
    return setup;
  }
};

void SdlPlatform::EndModal() {
  ShowFrame();  // the frame again, without the menu or dialog
  // The controller's buttons went to the menu or dialog, their releases
  // too: what the story saw held (Shift for skipping) is let go.
  pad_.Release();
}

int SdlPlatform::RunModalDialog(DialogModel& model) {
  const bool message = dynamic_cast<MessageBoxModel*>(&model) != nullptr;
  const int result = RunImGuiDialog(
      ModalAccess::Setup(*this, message ? ModalFrame::What::Message : ModalFrame::What::Dialog,
                         &model),
      model);
  EndModal();
  return result;
}

int SdlPlatform::PopupMenu(const std::vector<MenuItem>& items, int x, int y) {
  if (!window_) return -1;
  const int id =
      RunImGuiMenu(ModalAccess::Setup(*this, ModalFrame::What::Menu, nullptr), items, x, y);
  EndModal();
  return id;
}

int SdlPlatform::RunDialog(DialogKind, DialogModel& model) {
  if (!window_ || !renderer_) {
    model.CloseBox();
    return model.Result();
  }
  return RunModalDialog(model);
}

bool SdlPlatform::ReadWindow(Picture& picture) {
  if (!renderer_ || !window_) return false;
  int w = 0, h = 0;
  if (SDL_GetRendererOutputSize(renderer_, &w, &h) != 0) return false;
  picture = Picture(w, h, Picture::Format::BGR24, 0);
  return SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_BGR24, picture.Pixel(0, 0),
                              picture.Stride()) == 0;
}

void SdlPlatform::OpenUrl(const std::string& url) {
  SDL_OpenURL(url.c_str());
}

bool SdlPlatform::ReadDisplayMode(DisplayMode& mode) {
  SDL_DisplayMode m;
  if (SDL_GetDesktopDisplayMode(0, &m) != 0) return false;
  mode = {m.w, m.h, static_cast<int>(SDL_BITSPERPIXEL(m.format)), m.refresh_rate};
  return true;
}

bool SdlPlatform::TestDisplayMode(const DisplayMode& mode) {
  SDL_DisplayMode want{0, mode.width, mode.height, mode.frequency, nullptr}, got;
  return SDL_GetClosestDisplayMode(0, &want, &got) && got.w == mode.width && got.h == mode.height;
}

bool SdlPlatform::ApplyDisplayMode(const DisplayMode& mode) {
  if (!window_ || !TestDisplayMode(mode)) return false;
  // On a modern desktop, full screen scales the picture over the desktop's own
  // mode, which looks the same as an 800x600 mode without making the monitor
  // resync and the other windows rearrange. VANTEL_MODE_SWITCH=1 asks for the
  // real mode change.
  const char* realSwitch = std::getenv("VANTEL_MODE_SWITCH");
  if (!realSwitch || std::string(realSwitch) != "1") return true;
  SDL_DisplayMode want{0, mode.width, mode.height, mode.frequency, nullptr}, got;
  SDL_GetClosestDisplayMode(0, &want, &got);
  if (SDL_SetWindowDisplayMode(window_, &got) != 0) return false;
  modeChanged_ = true;
  return true;
}

void SdlPlatform::RestoreDisplayMode() {
  modeChanged_ = false;
  if (window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN)) SetFullScreen(true);
}

ScreenRect SdlPlatform::ScreenSize() {
  // In full screen the picture is scaled to fit the screen, so the screen as
  // the scenes centre themselves on is the picture's own space: they sit at
  // 0, 0 and the scaling letterboxes them in the middle.
  if (fullScreen_ && window_) return {0, 0, width_, height_};
  SDL_Rect r{0, 0, 0, 0};
  if (InitVideo()) SDL_GetDisplayBounds(0, &r);
  return {r.x, r.y, r.w, r.h};
}

bool SdlPlatform::PointOnMonitor(int x, int y) {
  const int n = SDL_GetNumVideoDisplays();
  for (int i = 0; i < n; ++i) {
    SDL_Rect r;
    SDL_Point p{x, y};
    if (SDL_GetDisplayBounds(i, &r) == 0 && SDL_PointInRect(&p, &r)) return true;
  }
  return false;
}

TextService& SdlPlatform::Text() {
  return SharedFontText();
}

std::unique_ptr<AudioDevice> SdlPlatform::CreateAudioDevice() {
  return std::make_unique<SdlAudio>();
}

}  // namespace vantel

// The SDL platform's main window: creating it with its renderer and frame
// texture, showing the frame, full screen, position and display modes.
// (Events, questions and the modal menu and dialogs are in SdlPlatform.cpp.)
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/sdl/DebugWindow.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/WindowSystem.h"

namespace vantel {
namespace {

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

}  // namespace

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
  AcceptDroppedFiles(false);
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
  SDL_RenderPresent(renderer_);
}

void SdlPlatform::DestroyMainWindow() {
  debug_.reset();  // owned by the main window
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
}

bool SdlPlatform::InitVideo() {
  if (!videoInit_) videoInit_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  return videoInit_;
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

bool SdlPlatform::ReadWindow(Picture& picture) {
  if (!renderer_ || !window_) return false;
  int w = 0, h = 0;
  if (SDL_GetRendererOutputSize(renderer_, &w, &h) != 0) return false;
  picture = Picture(w, h, Picture::Format::BGR24, 0);
  return SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_BGR24, picture.Pixel(0, 0),
                              picture.Stride()) == 0;
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

}  // namespace vantel

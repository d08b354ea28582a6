// The one narrow interface between the system and the machine it runs on.
//
// Everything the system needs from a window system, a sound card or a font
// renderer goes through Platform. Two implementations exist: sdl/ (an SDL2
// window and audio device, FreeType text, Dear ImGui dialogs) for readers,
// and headless/ (virtual clock, off-screen frame, scripted input, pulled
// audio) for tests and command-line rendering. Only sdl/ includes SDL or
// ImGui headers.
//
// Text crosses this boundary as code-page bytes (CP932 for data, GBK for the
// program's own captions); implementations convert to UTF-8 here and only here.
// Depends on base/ only. Operations report failure by their results (false,
// -1, an empty rectangle) rather than by throwing; GetPlatform asserts that
// a platform has been set.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "base/Picture.h"

namespace vantel {

// ---- Input -----------------------------------------------------------------

// Shift state flags, as the window system reports them with keys and mouse buttons.
enum ShiftFlag : uint32_t {
  kShift = 1,
  kAlt = 2,
  kCtrl = 4,
  kLeftButton = 8,
  kRightButton = 16,
  kMiddleButton = 32,
  kDouble = 64,
};

enum class MouseButton { Left, Right, Middle };

struct InputEvent {
  enum class Kind {
    KeyDown,  // key: virtual key code (Windows numbering: 13 Enter, 32 Space, 38 up, 67 'C' ...)
    KeyUp,
    MouseDown,  // x, y: client coordinates of the 800x600 picture; button
    MouseUp,
    MouseMove,
    Wheel,       // wheel: > 0 away from the reader (up), < 0 towards
    Activate,    // the application gained the focus
    Deactivate,  // the application lost the focus
    CloseRequest,
    DropFiles,  // files: UTF-8 paths
  };
  Kind kind = Kind::KeyDown;
  int key = 0;
  uint32_t shift = 0;  // ShiftFlag bits
  MouseButton button = MouseButton::Left;
  int x = 0, y = 0;
  int wheel = 0;
  std::vector<std::string> files;
};

// ---- Text drawing ----------------------------------------------------------

struct FontRequest {
  Bytes face;       // face name as a script or the program gives it ("SIMHEI", a system font name)
  int height = 16;  // pixel height of the font (the cell height)
  bool bold = false;
  bool italic = false;
  CodePage codePage = CodePage::CP932;  // the code page of the text drawn with it
};

struct TextExtent {
  int width = 0;   // how far the pen advances
  int height = 0;  // the height the text occupies
};

class TextService {
 public:
  virtual ~TextService() = default;
  virtual TextExtent Measure(const FontRequest& font, std::string_view text) = 0;
  // Draws `text` with its top-left corner at (x, y) into a 24- or 32-bit
  // picture in `colour` (0x00BBGGRR), over what is there, clipped to the picture.
  virtual void Draw(Picture& target, int x, int y, const FontRequest& font, Colour colour,
                    std::string_view text) = 0;
};

// ---- Audio -----------------------------------------------------------------

struct AudioFormat {
  int samplesPerSecond = 44100;
  int bitsPerSample = 16;
  int channels = 2;
};

// The wave device: buffers are queued by index; when the device has played
// one it reports the index through the notification, from its own thread.
class AudioDevice {
 public:
  using BufferDone = std::function<void(int index)>;
  virtual ~AudioDevice() = default;
  // Opens the device; false when there is no usable device.
  virtual bool Open(const AudioFormat& format, BufferDone done) = 0;
  // Queues buffer `index` with its bytes; the bytes are copied.
  virtual void Queue(int index, const void* data, size_t bytes) = 0;
  // Stops playing and drops every queued buffer without reporting it.
  virtual void Reset() = 0;
  virtual void Close() = 0;
};

// ---- Display ---------------------------------------------------------------

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 32;
  int frequency = 60;
};

struct ScreenRect {
  int left = 0, top = 0, width = 0, height = 0;
};

// The part of `rect` (frame coordinates) that a Present may copy: inside the
// frame, and inside the target once shifted by (offsetX, offsetY). Width or
// height 0 when nothing is left. Both platforms clip with it.
ScreenRect ClipPresentRect(const ScreenRect& rect, int frameWidth, int frameHeight, int targetWidth,
                           int targetHeight, int offsetX, int offsetY);

// ---- Dialogs and menus -----------------------------------------------------

enum class MessageKind { Plain, Information, Confirmation, Warning, Error };
enum class MessageAnswer { Ok, Yes, No };

struct MenuItem {
  int id = 0;      // returned when chosen
  Bytes caption;   // GBK
  Bytes shortcut;  // shown at the right, GBK
  bool checked = false;
  bool enabled = true;
  bool separator = false;
};

// The logic of a modal dialog (settings, save/load, debugger) lives in a
// view-free model class; the platform hosts it in a window it draws.
class DialogModel {
 public:
  virtual ~DialogModel() = default;
};
enum class DialogKind { Settings, SaveLoad, Debugger };

// ---- The platform ----------------------------------------------------------

class Platform {
 public:
  virtual ~Platform() = default;

  // Clock: milliseconds since some fixed point, and sleeping.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;

  // The main window. Caption in GBK.
  virtual bool CreateMainWindow(const Bytes& caption, int width, int height) = 0;
  virtual void DestroyMainWindow() = 0;
  // Another running instance is brought to the front; true when there was one.
  virtual bool ActivateRunningInstance(const std::string& className) = 0;
  virtual void RaiseWindow() = 0;
  virtual void SetWindowPosition(int left, int top) = 0;
  virtual void GetWindowPosition(int& left, int& top) = 0;
  virtual void SetFullScreen(bool on) = 0;
  virtual void GetClientSize(int& width, int& height) = 0;

  // Presenting: copies the rectangle `rect` of the frame to the window with
  // the frame's top-left at (offsetX, offsetY) in client space; EndPresent
  // shows what was copied.
  virtual void Present(const Picture& frame, const ScreenRect& rect, int offsetX, int offsetY) = 0;
  virtual void EndPresent() = 0;

  // Input. PollEvent returns false when no event is waiting.
  virtual bool PollEvent(InputEvent& event) = 0;
  virtual bool ShiftKeyDown() = 0;  // the asynchronous state of Shift
  virtual void AcceptDroppedFiles(bool on) = 0;

  // Message boxes. Text in `cp`; x, y place the box (-1: centred on the window).
  virtual MessageAnswer ShowMessage(const Bytes& text, const Bytes& caption, MessageKind kind,
                                    bool yesNo, CodePage cp = CodePage::GBK, int x = -1,
                                    int y = -1) = 0;
  // Pop-up menu at client (x, y); the chosen item's id, or -1.
  virtual int PopupMenu(const std::vector<MenuItem>& items, int x, int y) = 0;
  // Runs a modal dialog over its model; returns the dialog's result code.
  virtual int RunDialog(DialogKind kind, DialogModel& model) = 0;
  virtual void OpenUrl(const std::string& url) = 0;

  // Display settings and monitors.
  virtual bool ReadDisplayMode(DisplayMode& mode) = 0;
  virtual bool TestDisplayMode(const DisplayMode& mode) = 0;
  virtual bool ApplyDisplayMode(const DisplayMode& mode) = 0;
  virtual void RestoreDisplayMode() = 0;
  virtual ScreenRect ScreenSize() = 0;            // the primary screen
  virtual bool PointOnMonitor(int x, int y) = 0;  // the point lies on an attached monitor

  // Services.
  virtual TextService& Text() = 0;
  virtual std::unique_ptr<AudioDevice> CreateAudioDevice() = 0;
};

// The process-wide platform. Set once at start (the player or a test fixture).
Platform& GetPlatform();
void SetPlatform(Platform* platform);

}  // namespace vantel

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

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
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
// Unanswered: the question could not be shown at all (no window and no
// native box); the caller picks the answer that loses nothing and says so.
enum class MessageAnswer { Ok, Yes, No, Unanswered };

struct MenuItem {
  int id = 0;      // returned when chosen
  Bytes caption;   // GBK; '&' marks the item's key letter
  Bytes shortcut;  // shown at the right, GBK
  bool checked = false;
  bool enabled = true;
  bool separator = false;
};

// The letter a caption marks with '&' (upper case), or 0; "&&" is a literal
// '&' and double-byte characters are stepped over whole.
char MarkedLetter(const Bytes& caption, CodePage cp = CodePage::GBK);

// One control of a dialog as its view draws it. Places are in the dialog's
// client area at the picture's own scale; a view showing the picture larger
// scales them with it.
struct DialogControl {
  enum class Kind { Label, Edit, Button, CheckBox, ScrollBar, Grid, Panel };
  enum class Look { Normal, Version, Fixed };  // Version: large grey; Fixed: fixed-pitch
  int id = 0;
  Kind kind = Kind::Label;
  int page = -1;  // the page of the dialog's page control it sits on; -1: the dialog itself
  int left = 0, top = 0, width = 0, height = 0;
  Bytes text;  // caption (a '&' marks the key letter) or content
  CodePage cp = CodePage::GBK;
  bool enabled = true;
  bool visible = true;
  bool rightAligned = false;  // labels: `left` is the right edge
  Look look = Look::Normal;
  int value = 0, minimum = 0, maximum = 0;  // check box 0/1; scroll bar position and range
  // Grid: column widths (0: hidden), cells row by row, the selected row and
  // the row the model last asked to show at the top (-1: leave the scrolling).
  std::vector<int> columns;
  std::vector<std::vector<Bytes>> rows;
  int row = -1;
  int topRow = -1;
  int rowHeight = 18;

  // A control of `kind` at its place with its text; the rest as above.
  static DialogControl Make(int id, Kind kind, int left, int top, int width, int height,
                            Bytes text) {
    DialogControl d;
    d.id = id;
    d.kind = kind;
    d.left = left;
    d.top = top;
    d.width = width;
    d.height = height;
    d.text = std::move(text);
    return d;
  }
};

// The logic of a modal dialog (settings, save/load, message boxes, the
// debugger) lives in a view-free model; the platform draws the model's
// controls and forwards what the reader does. The keyboard rules every
// dialog shares live here too, so headless tests exercise them:
// Tab and Shift+Tab move the focus through the enabled, visible controls in
// the order Controls() lists them (Ctrl+Tab turns the pages); Enter presses the focused button or
// opens the focused grid's row; Space presses a button or flips a check
// box; Escape is the close box; the arrow keys, Home, End and the page keys
// move a grid's selection or a scroll bar; Alt with a letter (a plain
// letter outside an edit box) presses the button whose caption marks it.
class DialogModel {
 public:
  virtual ~DialogModel() = default;

  virtual Bytes Caption() const = 0;  // GBK
  virtual int Width() const = 0;      // client area
  virtual int Height() const = 0;
  // A page control: its place and its page captions (GBK); none by default.
  virtual ScreenRect PageArea() const { return {}; }
  virtual std::vector<Bytes> Pages() const { return {}; }
  // A pane to the right of the controls, beyond Width(): its width (0, the
  // default: none; the view grows the dialog by it) and the picture it shows
  // now (null: an empty pane).
  virtual int SideWidth() const { return 0; }
  virtual const Picture* SidePicture() const { return nullptr; }
  // Every control, in tab order.
  virtual std::vector<DialogControl> Controls() const = 0;
  // Where the dialog's client area goes in the 800x600 picture; -1: centred.
  int PlaceLeft = -1, PlaceTop = -1;

  // What the reader did, as the view reports it.
  virtual void Click(int id) { (void)id; }
  virtual void DoubleClick(int id) { (void)id; }  // a grid row
  virtual void TextChanged(int id, const Bytes& text) { (void)id, (void)text; }
  virtual void ValueChanged(int id, int value) { (void)id, (void)value; }
  virtual void RowSelected(int id, int row) { (void)id, (void)row; }
  virtual void KeyReleased(int id, int key) { (void)id, (void)key; }
  // The close box (and Escape): closes unless the model says otherwise.
  virtual void CloseBox() { Close(); }

  // Keys, with virtual key codes and ShiftFlag bits. KeyDown returns true
  // when the dialog used the key (a view then keeps it from the edit box).
  // KeyUp takes only the release of a key whose press this dialog had.
  bool KeyDown(int key, uint32_t shift);
  void KeyUp(int key, uint32_t shift);
  void TabNext(bool backwards);

  bool Closed() const { return closed_; }
  int Focus() const { return focus_; }
  void SetFocus(int id) { focus_ = id; }
  int Page() const { return page_; }
  void SetPage(int page) { page_ = page; }
  int Result() const { return result_; }
  // A notice for the reader (GBK) that the view shows over the dialog, in
  // order; empty when there is none.
  Bytes TakeNotice();
  bool HasNotice() const { return !notices_.empty(); }

 protected:
  void Close(int result = 0) { closed_ = true, result_ = result; }
  void Notify(Bytes gbkText) { notices_.push_back(std::move(gbkText)); }
  // The focusable control with this id, or null.
  static const DialogControl* Find(const std::vector<DialogControl>& controls, int id);

 private:
  bool Usable(const DialogControl& c) const;
  bool closed_ = false;
  int result_ = 0;
  int focus_ = -1;
  int page_ = 0;
  std::vector<Bytes> notices_;
  static constexpr int kKeyCodes = 256;  // virtual key codes
  std::bitset<kKeyCodes> keysDown_;      // pressed while this dialog had the keys
};
enum class DialogKind { Settings, SaveLoad, Debugger, Message };

// A message box as a dialog: the text, and OK or Yes and No. Enter chooses
// the focused button (Yes or OK at first), Escape and the close box No or
// OK, Y and N their buttons.
class MessageBoxModel : public DialogModel {
 public:
  enum : int { kText = 1, kYes, kNo, kOk };
  MessageBoxModel(Bytes text, Bytes caption, MessageKind kind, bool yesNo, CodePage cp);
  Bytes Caption() const override { return caption_; }
  int Width() const override;
  int Height() const override;
  std::vector<DialogControl> Controls() const override;
  void Click(int id) override;
  void CloseBox() override;
  MessageAnswer Answer() const { return answer_; }
  MessageKind Kind() const { return kind_; }

 private:
  Bytes text_, caption_;
  MessageKind kind_;
  bool yesNo_;
  CodePage cp_;
  MessageAnswer answer_ = MessageAnswer::Unanswered;
};

// ---- The debugger's tool window -----------------------------------------------

// What a view of the debugger window draws and reports. The window is not
// modal: the view draws it between the story's frames. Texts are the data's
// (CP932), except the caption.
class DebugPanel {
 public:
  virtual ~DebugPanel() = default;
  virtual Bytes Caption() const = 0;
  // Where the window opens (screen coordinates) and its client size then.
  virtual int Left() const = 0;
  virtual int Top() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The width a resize to `width` gets.
  virtual int ResizedWidth(int width) const = 0;
  virtual Bytes ScriptLine() const = 0;  // "Script/..."
  virtual Bytes CodeLine() const = 0;    // "Code/..."
  virtual const std::vector<Bytes>& MessageLines() const = 0;
  // The value grid, row 0 and column 0 fixed.
  virtual int GridRows() const = 0;
  virtual int GridColumns() const = 0;
  virtual Bytes GridCell(int column, int row) const = 0;
  virtual bool GridCellEditable(int column, int row) const = 0;
  // Called by the view before each frame it draws: live values into the grid.
  virtual void RefreshValues() = 0;
  // What the author did.
  virtual void EditCell(int column, int row, const Bytes& text) = 0;
  virtual Bytes JumpTarget() const = 0;  // the edit box
  virtual void SetJumpTarget(const Bytes& text) = 0;
  virtual void JumpClick() = 0;    // "JUMP"
  virtual void ClearClick() = 0;   // "CLEAR"
  virtual void UpdateClick() = 0;  // "UPDATE"
  virtual void CloseClick() = 0;   // the close box
  virtual void ReloadClick() {}    // "RELOAD" or F5: the chapter being played read again
  virtual bool Closed() const = 0;
};

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
  // False when the window system refused: the window stays as it was.
  virtual bool SetFullScreen(bool on) = 0;
  virtual void GetClientSize(int& width, int& height) = 0;
  // How many screen pixels a client pixel covers in windowed mode (a window
  // scaled up on a large desktop); the client size stays the picture's.
  virtual int WindowScale() const { return 1; }

  // Presenting: copies the rectangle `rect` of the frame to the window with
  // the frame's top-left at (offsetX, offsetY) in client space; EndPresent
  // shows what was copied.
  virtual void Present(const Picture& frame, const ScreenRect& rect, int offsetX, int offsetY) = 0;
  virtual void EndPresent() = 0;

  // Input. PollEvent returns false when no event is waiting.
  virtual bool PollEvent(InputEvent& event) = 0;
  virtual bool ShiftKeyDown() = 0;  // the asynchronous state of Shift
  virtual void AcceptDroppedFiles(bool on) = 0;

  // Message boxes. Text in `cp`; x, y place the box in screen coordinates
  // (-1: centred on the window). Unanswered when a question cannot be shown.
  virtual MessageAnswer ShowMessage(const Bytes& text, const Bytes& caption, MessageKind kind,
                                    bool yesNo, CodePage cp = CodePage::GBK, int x = -1,
                                    int y = -1) = 0;
  // Pop-up menu at client (x, y); the chosen item's id, or -1.
  virtual int PopupMenu(const std::vector<MenuItem>& items, int x, int y) = 0;
  // Runs a modal dialog over its model until the model closes; returns the
  // model's result code. Ticks do not run meanwhile; the picture stands still.
  virtual int RunDialog(DialogKind kind, DialogModel& model) = 0;
  virtual void OpenUrl(const std::string& url) = 0;
  // Debugger windows: each shows its panel beside the main window until the
  // panel is closed or CloseDebugWindow is called for it (before the panel
  // is freed). False when no window could be made.
  virtual bool OpenDebugWindow(DebugPanel& panel) {
    (void)panel;
    return false;
  }
  virtual void CloseDebugWindow(DebugPanel& panel) { (void)panel; }

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

  // ---- Reader additions (none of them is part of the described window) ----
  // A short notice drawn in a corner of the window over the picture for `ms`
  // milliseconds ("已保存"); it never enters the frame or a screenshot.
  virtual void ShowNotice(const Bytes& text, CodePage cp, uint32_t ms) {
    (void)text, (void)cp, (void)ms;
  }
  // Self-voicing through the desktop's speech service: speaks `text` at once,
  // cutting off what was being said. False when there is no speech service.
  virtual bool Speak(const Bytes& text, CodePage cp) {
    (void)text, (void)cp;
    return false;
  }
  // On: the menu, the dialogs and the questions speak what the focus reaches.
  virtual void SetSelfVoicing(bool on) { (void)on; }
  // Puts text on the clipboard; false when the window system refused.
  virtual bool SetClipboardText(const Bytes& text, CodePage cp) {
    (void)text, (void)cp;
    return false;
  }
  // A control held that skips pages already read (a game controller's right trigger).
  virtual bool SkipReadHeld() { return false; }
};

// The process-wide platform. Set once at start (the player or a test fixture).
Platform& GetPlatform();
void SetPlatform(Platform* platform);

}  // namespace vantel

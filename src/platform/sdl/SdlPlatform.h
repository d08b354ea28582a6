// The real platform: an SDL2 window with a renderer and a streaming texture
// of the 800x600 frame, SDL input and message boxes, display modes, and the
// single-instance check. Full screen shows the picture scaled to fit the
// screen with its aspect kept; pointer coordinates come back in frame space,
// and ScreenSize reports that space (the picture's size) while full screen
// is on, so scenes that centre themselves on the screen stay at 0, 0.
// Windowed, the client is the picture at a fixed integer scale (1 unless the
// desktop is large or SetWindowScale asks) that the window manager cannot
// resize. Only changed rows reach the texture, and a tick that changed
// nothing shows nothing; VANTEL_PRESENT_EVERY_TICK=1 brings back showing
// every tick through the first accelerated renderer, as a baseline for
// measuring. A GPU renderer is used where one is accelerated, SDL's software
// renderer where the only GL runs on the CPU. Game controllers act as the
// mouse and keys (GamepadMap) and may come and go while the player runs.
// The only code besides SdlAudio that includes SDL. The constructor throws
// Error when SDL cannot start; a window, renderer or display mode SDL
// refuses makes the call return false; a message that cannot be shown in a
// box goes to standard error. While the window exists, the pop-up menu,
// the dialogs and every message box and question are drawn inside it with
// Dear ImGui over the frozen picture; before it exists a question goes to
// SDL's native box, and when that cannot be shown either it is answered
// Unanswered (and written to standard error).
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "platform/Platform.h"
#include "platform/sdl/EventRouting.h"
#include "platform/sdl/FrameView.h"
#include "platform/sdl/GamepadMap.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct _SDL_GameController;
union SDL_Event;

namespace vantel {

class DebugWindows;

class SdlPlatform : public Platform {
 public:
  SdlPlatform();
  ~SdlPlatform() override;

  uint32_t TickCount() override;
  void Sleep(uint32_t ms) override;
  bool CreateMainWindow(const Bytes& caption, int width, int height) override;
  void DestroyMainWindow() override;
  bool ActivateRunningInstance(const std::string& className) override;
  void RaiseWindow() override;
  void SetWindowPosition(int left, int top) override;
  void GetWindowPosition(int& left, int& top) override;
  bool SetFullScreen(bool on) override;
  void GetClientSize(int& width, int& height) override;
  void Present(const Picture& frame, const ScreenRect& rect, int offsetX, int offsetY) override;
  void EndPresent() override;
  bool PollEvent(InputEvent& event) override;
  bool ShiftKeyDown() override;
  void AcceptDroppedFiles(bool on) override;
  MessageAnswer ShowMessage(const Bytes& text, const Bytes& caption, MessageKind kind, bool yesNo,
                            CodePage cp, int x, int y) override;
  int PopupMenu(const std::vector<MenuItem>& items, int x, int y) override;
  int RunDialog(DialogKind kind, DialogModel& model) override;
  void OpenUrl(const std::string& url) override;
  bool OpenDebugWindow(DebugPanel& panel) override;
  void CloseDebugWindow(DebugPanel& panel) override;
  bool ReadDisplayMode(DisplayMode& mode) override;
  bool TestDisplayMode(const DisplayMode& mode) override;
  bool ApplyDisplayMode(const DisplayMode& mode) override;
  void RestoreDisplayMode() override;
  ScreenRect ScreenSize() override;
  bool PointOnMonitor(int x, int y) override;
  TextService& Text() override;
  std::unique_ptr<AudioDevice> CreateAudioDevice() override;

  // The windowed picture's integer scale, set before the window is created;
  // 0 (the default) chooses by the desktop's size.
  void SetWindowScale(int scale) { requestedScale_ = scale; }
  int WindowScale() const override { return scale_; }
  bool SoftwareRenderer() const { return softwareRenderer_; }

  // ---- For tests and screenshots ----
  // Called before each frame of a modal menu, dialog or message box, with
  // the dialog's model (null for the menu): the place to push the events a
  // reader would make while it is open. `targets`: where the last frame drew
  // each control (by id), menu item (by id), tab and close box (ImGuiHost's
  // target ids), in window coordinates. A watched loop draws every frame.
  struct ModalFrame {
    enum class What { Menu, Dialog, Message } what;
    DialogModel* model;
    int frame;
    const std::map<int, ScreenRect>& targets;
  };
  void SetModalObserver(std::function<void(const ModalFrame&)> observer) {
    observer_ = std::move(observer);
  }
  // The debugger's windows (null until one opens).
  DebugWindows* Debuggers() { return debug_.get(); }
  // What the window shows now (the picture and anything drawn over it).
  bool ReadWindow(Picture& picture);

 private:
  int RunModalDialog(DialogModel& model, bool* quit = nullptr);
  bool PollModal(SDL_Event& ev);  // the next event for an open menu, dialog or question
  bool NobodySees() const;        // the video driver shows no screen (offscreen, dummy)
  friend struct ModalAccess;      // builds the ImGui host's setup from the window
  bool PollInstanceSocket();
  bool InitVideo();  // video initialised once per platform object
  bool CreateRenderer();
  bool CreateFrameTexture();
  void UpdatePlace();    // after the window's size changed
  void ShowFrame();      // the texture to the window, now
  bool CoversDisplay();  // whether full screen really took the whole display
  bool ControllerEvent(const SDL_Event& ev);
  void EndModal();  // after a menu or dialog
  bool NextPadEvent(InputEvent& e);
  uint32_t PadShift() const;

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int width_ = 800, height_ = 600;
  int instanceSocket_ = -1;  // listening socket of the single-instance check
  bool modeChanged_ = false;
  bool fullScreen_ = false;
  bool videoInit_ = false;
  bool padInit_ = false;
  bool softwareRenderer_ = false;
  uint32_t textureFormat_ = 0;
  int requestedScale_ = 0, scale_ = 1;
  ScreenRect placeWindow_{0, 0, 800, 600};  // the picture in window coordinates (the pointer)
  ScreenRect placeOutput_{0, 0, 800, 600};  // and in the renderer's pixels
  PresentGate gate_;
  EventRouter router_;  // who owns each event: a modal, a debugger window or the scene
  GamepadMap pad_{800, 600};
  std::vector<_SDL_GameController*> pads_;
  std::vector<InputEvent> padEvents_;  // made by the controller, not yet handed out
  uint32_t padStepAt_ = 0;
  Bytes windowCaption_;
  std::function<void(const ModalFrame&)> observer_;
  std::unique_ptr<DebugWindows> debug_;  // the debugger's windows (DebugWindow.h)
};

}  // namespace vantel

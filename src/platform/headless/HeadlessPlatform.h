// The headless platform: a virtual clock, an off-screen frame that records
// every presented rectangle, a queue of scripted input, scripted message-box
// answers and PNG dumps of frames. Tests and `vxtool render` use it; it needs
// no display and no sound card. Nothing here fails, except DumpFrame
// (FileError when the file cannot be written).
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vantel {

class HeadlessAudio;

class HeadlessPlatform : public Platform {
 public:
  struct Message {  // a message box that was shown
    Bytes text, caption;
    MessageKind kind;
    bool yesNo;
    CodePage cp;
  };

  HeadlessPlatform();
  ~HeadlessPlatform() override;

  // ---- Test controls ----
  void Advance(uint32_t ms) { now_ += ms; }
  void SetTime(uint32_t ms) { now_ = ms; }
  void PushEvent(const InputEvent& e) { events_.push_back(e); }
  void SetShiftDown(bool down) { shiftDown_ = down; }
  // Answers for the next Yes/No boxes, in order; when none is queued, Yes.
  void QueueAnswer(MessageAnswer a) { answers_.push_back(a); }
  void QueueMenuChoice(int id) { menuChoices_.push_back(id); }
  // What the reader does in the next dialogs, in order: each script gets the
  // dialog's model and acts on it; a dialog still open after its script (or
  // with none queued) is closed with its close box. Notices the model gives
  // are recorded as message boxes.
  using DialogScript = std::function<void(DialogKind, DialogModel&)>;
  void QueueDialog(DialogScript script) { dialogScripts_.push_back(std::move(script)); }
  const std::vector<DialogKind>& DialogsRun() const { return dialogsRun_; }
  void SetScreen(const ScreenRect& screen, const DisplayMode& mode);
  void SetRunningInstance(bool running) { runningInstance_ = running; }
  // Audio devices created from now on fail to open (no sound card).
  void SetAudioOpenFails(bool fails) { audioOpenFails_ = fails; }
  // The last audio device created (a HeadlessAudio, owned by its user), or null.
  HeadlessAudio* LastAudioDevice() const { return lastAudio_; }

  const Picture& Frame() const { return frame_; }
  // Rectangles presented since the last ClearPresented, in order.
  const std::vector<ScreenRect>& Presented() const { return presented_; }
  void ClearPresented() { presented_.clear(); }
  int EndPresentCount() const { return endPresents_; }
  const std::vector<Message>& Messages() const { return messages_; }
  bool FullScreen() const { return fullScreen_; }
  const DisplayMode& CurrentMode() const { return mode_; }
  void DumpFrame(const std::string& pngPath) const;

  // ---- Platform ----
  uint32_t TickCount() override { return now_; }
  void Sleep(uint32_t ms) override { now_ += ms; }
  bool CreateMainWindow(const Bytes& caption, int width, int height) override;
  void DestroyMainWindow() override {}
  bool ActivateRunningInstance(const std::string&) override { return runningInstance_; }
  void RaiseWindow() override {}
  void SetWindowPosition(int left, int top) override { windowLeft_ = left, windowTop_ = top; }
  void GetWindowPosition(int& left, int& top) override { left = windowLeft_, top = windowTop_; }
  bool SetFullScreen(bool on) override {
    fullScreen_ = on;
    return true;
  }
  void GetClientSize(int& width, int& height) override;
  void Present(const Picture& frame, const ScreenRect& rect, int offsetX, int offsetY) override;
  void EndPresent() override { ++endPresents_; }
  bool PollEvent(InputEvent& event) override;
  bool ShiftKeyDown() override { return shiftDown_; }
  void AcceptDroppedFiles(bool) override {}
  MessageAnswer ShowMessage(const Bytes& text, const Bytes& caption, MessageKind kind, bool yesNo,
                            CodePage cp, int x, int y) override;
  int PopupMenu(const std::vector<MenuItem>& items, int x, int y) override;
  int RunDialog(DialogKind kind, DialogModel& model) override;
  void OpenUrl(const std::string& url) override { openedUrls_.push_back(url); }
  // Debugger windows are only listed: tests act on the panels themselves.
  bool OpenDebugWindow(DebugPanel& panel) override;
  void CloseDebugWindow(DebugPanel& panel) override;
  // The panels whose windows are open, oldest first.
  const std::vector<DebugPanel*>& DebugWindows() const { return debugWindows_; }
  bool ReadDisplayMode(DisplayMode& mode) override;
  bool TestDisplayMode(const DisplayMode& mode) override;
  bool ApplyDisplayMode(const DisplayMode& mode) override;
  void RestoreDisplayMode() override { mode_ = originalMode_; }
  ScreenRect ScreenSize() override { return screen_; }
  bool PointOnMonitor(int x, int y) override;
  TextService& Text() override;
  std::unique_ptr<AudioDevice> CreateAudioDevice() override;

  // Reader additions, recorded: notices, speech (when a speech service is
  // said to exist) and the clipboard, each text as given, in order.
  void ShowNotice(const Bytes& text, CodePage, uint32_t) override { notices_.push_back(text); }
  bool Speak(const Bytes& text, CodePage) override {
    if (speechService_) spoken_.push_back(text);
    return speechService_;
  }
  void SetSelfVoicing(bool on) override { selfVoicing_ = on; }
  bool SetClipboardText(const Bytes& text, CodePage) override {
    clipboard_.push_back(text);
    return true;
  }
  bool SkipReadHeld() override { return skipHeld_; }
  void SetSpeechService(bool present) { speechService_ = present; }
  void SetSkipReadHeld(bool held) { skipHeld_ = held; }
  const std::vector<Bytes>& Notices() const { return notices_; }
  const std::vector<Bytes>& Spoken() const { return spoken_; }
  const std::vector<Bytes>& Clipboard() const { return clipboard_; }
  bool SelfVoicing() const { return selfVoicing_; }

  std::vector<std::string> openedUrls_;

 private:
  uint32_t now_ = 0;
  std::deque<InputEvent> events_;
  std::deque<MessageAnswer> answers_;
  std::deque<int> menuChoices_;
  std::deque<DialogScript> dialogScripts_;
  std::vector<DialogKind> dialogsRun_;
  std::vector<Message> messages_;
  std::vector<ScreenRect> presented_;
  std::vector<DebugPanel*> debugWindows_;
  Picture frame_;
  int endPresents_ = 0;
  bool shiftDown_ = false;
  bool fullScreen_ = false;
  bool runningInstance_ = false;
  bool audioOpenFails_ = false;
  HeadlessAudio* lastAudio_ = nullptr;
  std::vector<Bytes> notices_, spoken_, clipboard_;
  bool speechService_ = true;
  bool selfVoicing_ = false;
  bool skipHeld_ = false;
  int windowLeft_ = 0, windowTop_ = 0;
  ScreenRect screen_{0, 0, 1920, 1080};
  DisplayMode mode_{1920, 1080, 32, 60};
  DisplayMode originalMode_{1920, 1080, 32, 60};
};

}  // namespace vantel

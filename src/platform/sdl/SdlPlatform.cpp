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
#include "platform/sdl/DialogView.h"
#include "platform/sdl/ImGuiHost.h"
#include "platform/sdl/MenuView.h"
#include "platform/sdl/SdlAudio.h"
#include "platform/sdl/SdlKeys.h"
#include "platform/sdl/WindowSystem.h"

namespace vantel {
namespace {

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

bool SdlPlatform::PollInstanceSocket() {
  if (instanceSocket_ < 0) return false;
  int c = ::accept(instanceSocket_, nullptr, nullptr);
  if (c < 0) return false;
  ::close(c);
  return true;
}

bool SdlPlatform::PollEvent(InputEvent& e) {
  if (PollInstanceSocket()) RaiseWindow();
  if (NextPadEvent(e)) return true;
  SDL_Event ev;
  while (SDL_PollEvent(&ev)) {
    e = InputEvent{};
    if (debug_) {  // the debugger's windows take their own events
      const DebugWindows::Fed fed = debug_->Feed(ev);
      if (fed == DebugWindows::Fed::Used) {
        router_.TakenElsewhere(ev);
        continue;
      }
      if (fed != DebugWindows::Fed::NotMine) {
        e.kind = fed == DebugWindows::Fed::Activated ? InputEvent::Kind::Activate
                                                     : InputEvent::Kind::CloseRequest;
        return true;
      }
    }
    if (!router_.ForScene(ev)) continue;  // a menu's, dialog's or question's
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
      case SDL_MOUSEMOTION:
        if (!router_.Translate(ev, {placeWindow_, width_, height_}, PadShift(), e)) continue;
        pad_.SetPointer(e.x, e.y);
        return true;
      default:
        if (router_.Translate(ev, {placeWindow_, width_, height_}, PadShift(), e)) return true;
        continue;
    }
  }
  if (debug_) debug_->Draw();  // between the story's frames
  return false;
}

bool SdlPlatform::OpenDebugWindow(DebugPanel& panel) {
  if (!window_) return false;
  if (!debug_) debug_ = std::make_unique<DebugWindows>(softwareRenderer_);
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
  // Shift held for typing in a debugger window is not the story's.
  return router_.SceneShift((SDL_GetModState() & KMOD_SHIFT) != 0) || pad_.ShiftHeld();
}

void SdlPlatform::AcceptDroppedFiles(bool on) {
  for (Uint32 type : {SDL_DROPBEGIN, SDL_DROPFILE, SDL_DROPCOMPLETE})
    SDL_EventState(type, on ? SDL_ENABLE : SDL_DISABLE);
}

bool SdlPlatform::NobodySees() const {
  // A watched loop (a test) sees what it draws.
  if (observer_) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

MessageAnswer SdlPlatform::ShowMessage(const Bytes& text, const Bytes& caption, MessageKind kind,
                                       bool yesNo, CodePage cp, int x, int y) {
  if (videoInit_ && NobodySees()) {
    // No screen shows this window: waiting for an answer would wait for
    // ever. The reader reads it on standard error; the caller takes the
    // answer that loses nothing.
    std::fprintf(stderr, "vantel: %s%s\n", yesNo ? "this question could not be shown: " : "",
                 Utf8OrBytes(text, cp).c_str());
    return yesNo ? MessageAnswer::Unanswered : MessageAnswer::Ok;
  }
  if (window_ && renderer_) {
    // While the window exists every box is drawn inside it, over the frozen
    // picture, under the game's caption.
    MessageBoxModel box(text, windowCaption_, kind, yesNo, cp);
    int left = 0, top = 0;
    GetWindowPosition(left, top);
    if (x >= 0 && y >= 0) {
      box.PlaceLeft = x - left;  // screen to picture coordinates; the view keeps it inside
      box.PlaceTop = y - top;
    }
    bool quit = false;
    RunModalDialog(box, &quit);
    // Closed by a close request: a question is left unanswered (the caller
    // keeps what it has), and the close question follows.
    if (quit && yesNo) return MessageAnswer::Unanswered;
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
    setup.poll = [&p](SDL_Event& e) { return p.PollModal(e); };
    setup.caption = p.windowCaption_;
    if (p.observer_)
      setup.onFrame = [&p, what, model](int frame, const std::map<int, ScreenRect>& targets) {
        p.observer_(SdlPlatform::ModalFrame{what, model, frame, targets});
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

bool SdlPlatform::PollModal(SDL_Event& ev) {
  while (SDL_PollEvent(&ev)) {
    if (debug_) {  // the debugger's windows keep their own events while a modal is open
      const DebugWindows::Fed fed = debug_->Feed(ev);
      if (fed == DebugWindows::Fed::CloseMain) {
        ev = SDL_Event{};
        ev.type = SDL_QUIT;
        return true;
      }
      if (fed != DebugWindows::Fed::NotMine) {
        router_.TakenElsewhere(ev);
        continue;
      }
    }
    router_.TakenByModal(ev);
    return true;
  }
  return false;
}

int SdlPlatform::RunModalDialog(DialogModel& model, bool* quit) {
  const bool message = dynamic_cast<MessageBoxModel*>(&model) != nullptr;
  const int result = RunImGuiDialog(
      ModalAccess::Setup(*this, message ? ModalFrame::What::Message : ModalFrame::What::Dialog,
                         &model),
      model, quit);
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

void SdlPlatform::OpenUrl(const std::string& url) {
  SDL_OpenURL(url.c_str());
}

TextService& SdlPlatform::Text() {
  return SharedFontText();
}

std::unique_ptr<AudioDevice> SdlPlatform::CreateAudioDevice() {
  return std::make_unique<SdlAudio>();
}

}  // namespace vantel

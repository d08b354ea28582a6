// The SDL platform's part of the reader additions: the in-window notice,
// self-voicing, the clipboard and the controller's skip trigger.
#include <SDL.h>

#include <exception>

#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SpeechOutput.h"

namespace vantel {
namespace {

std::string Utf8Or(const Bytes& text, CodePage cp) {
  try {
    return ToUtf8(text, cp);
  } catch (const std::exception&) {
    return text;
  }
}

constexpr Sint16 kTriggerHeld = 16000;  // past half way

}  // namespace

void SdlPlatform::ShowNotice(const Bytes& text, CodePage cp, uint32_t ms) {
  if (!renderer_) return;
  notice_.Show(renderer_, text, cp, TickCount(), ms);
  ShowFrame();
}

bool SdlPlatform::Speak(const Bytes& text, CodePage cp) {
  return Speech().Say(Utf8Or(text, cp));
}

void SdlPlatform::SetSelfVoicing(bool on) {
  SetFocusVoice(on);
}

bool SdlPlatform::SetClipboardText(const Bytes& text, CodePage cp) {
  return SDL_SetClipboardText(Utf8Or(text, cp).c_str()) == 0;
}

bool SdlPlatform::SkipReadHeld() {
  for (_SDL_GameController* pad : pads_)
    if (SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > kTriggerHeld)
      return true;
  return false;
}

}  // namespace vantel

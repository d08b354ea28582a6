#include "platform/sdl/SpeechOutput.h"

#include <libspeechd.h>

#include <cstdio>
#include <cstdlib>

namespace vantel {
namespace {
SPDConnection* Open() {
  char* error = nullptr;
  SPDConnection* c = spd_open2("vantel", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
  if (!c) std::fprintf(stderr, "vantel: no speech service: %s\n", error ? error : "unknown reason");
  std::free(error);
  return c;
}
}  // namespace

SpeechOutput::~SpeechOutput() {
  Close();
}

void SpeechOutput::Close() {
  if (connection_) spd_close(static_cast<SPDConnection*>(connection_));
  connection_ = nullptr;
}

bool SpeechOutput::Say(const std::string& utf8) {
  if (failed_) return false;
  if (!connection_) connection_ = Open();
  if (!connection_) {
    failed_ = true;
    return false;
  }
  auto* c = static_cast<SPDConnection*>(connection_);
  spd_cancel(c);
  if (utf8.empty()) return true;
  if (spd_say(c, SPD_TEXT, utf8.c_str()) < 0) {
    // The service went away: one more try on a new connection.
    Close();
    c = Open();
    connection_ = c;
    if (!c || spd_say(c, SPD_TEXT, utf8.c_str()) < 0) {
      Close();
      failed_ = true;
      return false;
    }
  }
  return true;
}

namespace {
bool focusVoice = false;
std::string lastFocus;
}  // namespace

SpeechOutput& Speech() {
  static SpeechOutput speech;
  return speech;
}

void SetFocusVoice(bool on) {
  focusVoice = on;
  lastFocus.clear();
}

bool FocusVoice() {
  return focusVoice;
}

void SpeakFocus(const std::string& utf8) {
  if (!focusVoice || utf8.empty() || utf8 == lastFocus) return;
  lastFocus = utf8;
  Speech().Say(utf8);
}

}  // namespace vantel

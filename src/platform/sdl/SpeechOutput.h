// SpeechOutput: self-voicing through speech-dispatcher (libspeechd), the
// desktop's speech service, so the reader's own voices, languages and rate
// apply. The connection is made at the first thing said (never while
// self-voicing is off); each new text cuts off the one before, as a reader
// clicking on expects. SPEECHD_ADDRESS chooses another service (tests run
// one of their own).
//
// Also the focus voice of the in-window menu, dialogs and questions: while
// self-voicing is on, SpeakFocus says what the focus reaches, once.
//
// Depends on libspeechd only. Fails: Say returns false when no service can
// be reached (and does not try again), never throws.
#pragma once

#include <string>

namespace vantel {

class SpeechOutput {
 public:
  SpeechOutput() = default;
  ~SpeechOutput();
  SpeechOutput(const SpeechOutput&) = delete;
  SpeechOutput& operator=(const SpeechOutput&) = delete;

  // Speaks UTF-8 text at once; false when there is no speech service.
  bool Say(const std::string& utf8);
  void Close();

 private:
  void* connection_ = nullptr;  // libspeechd's SPDConnection (an unnamed struct)
  bool failed_ = false;
};

// The process's speech output (the main window's).
SpeechOutput& Speech();
// Self-voicing on or off for the menu, the dialogs and the questions.
void SetFocusVoice(bool on);
bool FocusVoice();
// Says `utf8` when self-voicing is on and it differs from the focus said last.
void SpeakFocus(const std::string& utf8);

}  // namespace vantel

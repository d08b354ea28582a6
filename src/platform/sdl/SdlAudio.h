// The SDL2 audio device: 44 100 Hz, signed 16-bit, stereo.
//
// Buffers queued by the wave output wait in a FIFO; SDL's audio callback
// only copies them out, in order, and reports each one done when its last
// byte has been copied (silence fills any gap). Everything else (the
// refill) happens on the wave output's own thread. Open fails (false) when
// SDL has no usable audio device; SDL_AUDIODRIVER=dummy gives one that plays
// nowhere. This header includes no SDL header.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/Platform.h"

namespace vantel {

class SdlAudio : public AudioDevice {
 public:
  ~SdlAudio() override;
  bool Open(const AudioFormat& format, BufferDone done) override;
  void Queue(int index, const void* data, size_t bytes) override;
  void Reset() override;
  void Close() override;

  // Copies up to `bytes` of queued sound into `out`, silence where none is
  // queued. This is what SDL's callback runs; public for tests.
  void Drain(uint8_t* out, size_t bytes);

 private:
  struct Queued {
    int index;
    std::vector<uint8_t> bytes;
  };
  std::mutex mutex_;
  std::deque<Queued> queue_;
  size_t frontOffset_ = 0;     // bytes of the front buffer already copied
  std::vector<int> finished_;  // Drain's list of buffers to report (its thread only)
  BufferDone done_;
  uint32_t deviceId_ = 0;
  bool subsystem_ = false;
};

}  // namespace vantel

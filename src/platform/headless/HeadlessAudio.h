// The headless audio device: nothing plays; tests pull the queued buffers
// one at a time, oldest first. Pulling a buffer reports it done through the
// device's notification on the pulling thread, so with a synchronous
// refill the buffer is refilled and queued again before Pull returns.
// Thread-safe: a refill thread may queue while a test pulls.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/Platform.h"

namespace vantel {

class HeadlessAudio : public AudioDevice {
 public:
  // ---- Test controls ----
  void SetOpenFails(bool fails) { openFails_ = fails; }
  // Takes the oldest queued buffer, appends its 16-bit values to `out` (if
  // given) and reports it done. False when nothing is queued.
  bool Pull(std::vector<int16_t>* out = nullptr);
  // Pulls `buffers` buffers; the values of all of them.
  std::vector<int16_t> PullMany(int buffers);
  size_t QueuedCount() const;
  // Waits up to `ms` until at least `count` buffers are queued.
  bool WaitForQueued(size_t count, int ms) const;
  int QueueCalls() const;  // buffers queued since opening
  bool IsOpen() const { return open_; }
  const AudioFormat& Format() const { return format_; }

  // ---- AudioDevice ----
  bool Open(const AudioFormat& format, BufferDone done) override;
  void Queue(int index, const void* data, size_t bytes) override;
  void Reset() override;
  void Close() override;

 private:
  struct Queued {
    int index;
    std::vector<int16_t> values;
  };
  mutable std::mutex mutex_;
  mutable std::condition_variable queued_;
  std::deque<Queued> queue_;
  BufferDone done_;
  AudioFormat format_;
  bool open_ = false;
  bool openFails_ = false;
  int queueCalls_ = 0;
};

}  // namespace vantel

// TSound: the program's one audio output.
//
// Opens the platform's audio device for 16-bit stereo PCM at 44 100 Hz,
// keeps a ring of twelve 3 000-byte buffers (750 frames each, about 17 ms)
// queued on it and refills each buffer, in the order the device hands them
// back, with the sum of the registered sound sources. The refill runs on a
// thread of our own that the device's notification wakes (or, for tests,
// synchronously inside the notification); the notification itself only
// records which buffer came back. The whole mix of one buffer runs under the
// process-wide sound lock (FuncSound). While not enabled, buffers go out as
// silence and no source is touched, so sound resumes at the same sample.
//
// The mix is summed in 32 bits and saturated to the 16-bit range, so loud
// passages clip instead of wrapping round to the opposite sign.
//
// Failure: a device that cannot be opened shows "WAVEデバイスがOPENできませんでした。"
// once (from Open, on the calling thread) and the program runs on silently.
// An exception from a source's mix is recorded as a sound warning; that
// buffer keeps what was mixed before it.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "sound/WaveFormat.h"

namespace vantel {

// What TSound mixes: something that adds its next (byteCount / 4) stereo
// frames, scaled by `master` (0..255), into a 32-bit accumulator of
// interleaved left/right values.
class TSoundMixSource {
 public:
  virtual ~TSoundMixSource() = default;
  virtual void Mix(int32_t* buffer, int32_t master, int32_t byteCount) = 0;
};

class TSound {
 public:
  static constexpr int kBufferCount = 12;
  static constexpr int kBufferBytes = 3000;
  static constexpr int kBufferFrames = kBufferBytes / 4;  // 750 stereo frames

  enum class RefillMode {
    OwnThread,    // the player: a refill thread woken by the device
    Synchronous,  // tests: the refill runs inside the device's notification
  };

  explicit TSound(RefillMode mode = RefillMode::OwnThread);
  ~TSound();  // Destroy: closes; the sources are not freed
  TSound(const TSound&) = delete;
  TSound& operator=(const TSound&) = delete;

  // Opens the platform's audio device and queues twelve buffers (silent while
  // not enabled). The channel count is always 2.
  void Open(int rate, int bits, int channels);
  // The same on a given device (tests, or a device chosen by the caller).
  void OpenOn(std::unique_ptr<AudioDevice> device, int rate, int bits, int channels);
  // Stops the refill and the device; no buffer is queued after this.
  void Close();
  bool IsOpen() const { return open_; }

  // Appends a source to the mix order (not owned; null entries are skipped).
  // Takes the sound lock: the refill thread may be walking the list.
  void AddSource(TSoundMixSource* source);
  // Written by the main window, read by the refill without the lock.
  std::atomic<bool> Enabled{false};
  int32_t MasterVolume() const { return master_; }
  const WaveFormat& OutputFormat() const { return format_; }
  // The device, for tests that pull from it; null before OpenOn/Open.
  AudioDevice* Device() const { return device_.get(); }

  // Fills one buffer of 1500 16-bit values as the refill does.
  void FillBuffer(int16_t* buffer);

 private:
  void OnBufferDone(int index);  // the device's thread
  void RefillAndQueue(int index);
  void RefillThread();
  int16_t* Buffer(int index) {
    return reinterpret_cast<int16_t*>(block_.data()) + index * (kBufferBytes / 2);
  }

  RefillMode mode_;
  std::unique_ptr<AudioDevice> device_;
  bool open_ = false;
  WaveFormat format_;
  std::vector<int16_t> block_;  // 12 x 3000 bytes
  std::atomic<bool> stopping_{false};
  int32_t master_ = 255;
  std::vector<TSoundMixSource*> sources_;        // under the sound lock
  std::array<int32_t, kBufferBytes / 2> mix_{};  // the 32-bit sum, under the sound lock

  std::mutex queueMutex_;
  std::condition_variable wake_;
  std::deque<int> returned_;  // buffers handed back, oldest first
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace vantel

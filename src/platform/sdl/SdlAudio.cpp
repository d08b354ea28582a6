#include "platform/sdl/SdlAudio.h"

#include <SDL.h>

#include <cstring>

namespace vantel {

SdlAudio::~SdlAudio() {
  Close();
}

bool SdlAudio::Open(const AudioFormat& format, BufferDone done) {
  Close();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  subsystem_ = true;
  done_ = std::move(done);
  SDL_AudioSpec want{};
  want.freq = format.samplesPerSecond;
  want.format = AUDIO_S16LSB;
  want.channels = static_cast<Uint8>(format.channels);
  want.samples = 1024;
  want.userdata = this;
  want.callback = [](void* self, Uint8* stream, int len) {
    static_cast<SdlAudio*>(self)->Drain(stream, static_cast<size_t>(len));
  };
  SDL_AudioSpec have{};
  deviceId_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);  // SDL converts if it must
  if (deviceId_ == 0) {
    Close();
    return false;
  }
  SDL_PauseAudioDevice(deviceId_, 0);
  return true;
}

void SdlAudio::Queue(int index, const void* data, size_t bytes) {
  Queued q{index, std::vector<uint8_t>(bytes)};
  std::memcpy(q.bytes.data(), data, bytes);
  std::lock_guard<std::mutex> g(mutex_);
  queue_.push_back(std::move(q));
}

void SdlAudio::Drain(uint8_t* out, size_t bytes) {
  // Kept between calls, so the audio callback does not allocate once warm.
  std::vector<int>& finished = finished_;
  finished.clear();
  {
    std::lock_guard<std::mutex> g(mutex_);
    while (bytes > 0 && !queue_.empty()) {
      Queued& front = queue_.front();
      size_t n = std::min(bytes, front.bytes.size() - frontOffset_);
      std::memcpy(out, front.bytes.data() + frontOffset_, n);
      out += n;
      bytes -= n;
      frontOffset_ += n;
      if (frontOffset_ == front.bytes.size()) {
        finished.push_back(front.index);
        queue_.pop_front();
        frontOffset_ = 0;
      }
    }
  }
  std::memset(out, 0, bytes);
  // Reported outside the lock: the notification may queue (a synchronous refill).
  for (int index : finished)
    if (done_) done_(index);
}

void SdlAudio::Reset() {
  std::lock_guard<std::mutex> g(mutex_);
  queue_.clear();
  frontOffset_ = 0;
}

void SdlAudio::Close() {
  if (deviceId_ != 0) {
    SDL_CloseAudioDevice(deviceId_);  // waits for a running callback
    deviceId_ = 0;
  }
  if (subsystem_) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
  }
  std::lock_guard<std::mutex> g(mutex_);
  queue_.clear();
  frontOffset_ = 0;
  done_ = nullptr;
}

}  // namespace vantel

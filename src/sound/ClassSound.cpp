#include "sound/ClassSound.h"

#include <algorithm>
#include <exception>

#include "sound/FuncSound.h"

namespace vantel {

TSound::TSound(RefillMode mode) : mode_(mode), block_(kBufferCount * kBufferBytes / 2, 0) {}

TSound::~TSound() {
  Close();
}

void TSound::Open(int rate, int bits, int channels) {
  OpenOn(GetPlatform().CreateAudioDevice(), rate, bits, channels);
}

void TSound::OpenOn(std::unique_ptr<AudioDevice> device, int rate, int bits, int channels) {
  Close();
  (void)channels;  // the output is stereo whatever the caller asks
  format_ = WaveFormat::Pcm16(2, static_cast<uint32_t>(rate));
  format_.bitsPerSample = static_cast<uint16_t>(bits);
  format_.avgBytesPerSec = static_cast<uint32_t>(rate * 2 * (bits / 8));
  format_.blockAlign = static_cast<uint16_t>(2 * (bits / 8));
  device_ = std::move(device);
  AudioFormat af{rate, bits, 2};
  stopping_ = false;
  if (!device_ || !device_->Open(af, [this](int index) { OnBufferDone(index); })) {
    GetPlatform().ShowMessage(Sjis("WAVEデバイスがOPENできませんでした。"), Bytes(),
                              MessageKind::Plain, false, CodePage::CP932);
    return;
  }
  open_ = true;
  {
    std::lock_guard<std::mutex> g(queueMutex_);
    quit_ = false;
    returned_.clear();
  }
  // The first twelve fills run here, before the refill thread exists; buffers
  // that come back meanwhile wait in the queue for it.
  for (int i = 0; i < kBufferCount; ++i) {
    FillBuffer(Buffer(i));
    device_->Queue(i, Buffer(i), kBufferBytes);
  }
  if (mode_ == RefillMode::OwnThread) thread_ = std::thread([this] { RefillThread(); });
}

void TSound::Close() {
  if (!open_) return;
  stopping_ = true;
  {
    std::lock_guard<std::mutex> g(queueMutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  device_->Reset();
  device_->Close();
  open_ = false;
}

void TSound::AddSource(TSoundMixSource* source) {
  std::lock_guard<std::recursive_mutex> lock(SoundLock());
  sources_.push_back(source);
}

void TSound::FillBuffer(int16_t* buffer) {
  std::fill_n(buffer, kBufferBytes / 2, int16_t{0});
  if (!Enabled) return;
  std::lock_guard<std::recursive_mutex> lock(SoundLock());
  mix_.fill(0);
  for (TSoundMixSource* source : sources_) {
    if (!source) continue;
    try {
      source->Mix(mix_.data(), master_, kBufferBytes);
    } catch (const std::exception& e) {
      AddSoundWarning(Bytes("sound mix failed: ") + e.what());
    }
  }
  for (size_t i = 0; i < mix_.size(); ++i)
    buffer[i] = static_cast<int16_t>(std::clamp(mix_[i], -32768, 32767));
}

void TSound::OnBufferDone(int index) {
  if (index < 0 || index >= kBufferCount || stopping_) return;
  if (mode_ == RefillMode::Synchronous) {
    RefillAndQueue(index);
    return;
  }
  {
    std::lock_guard<std::mutex> g(queueMutex_);
    returned_.push_back(index);
  }
  wake_.notify_one();
}

void TSound::RefillAndQueue(int index) {
  FillBuffer(Buffer(index));
  if (!stopping_) device_->Queue(index, Buffer(index), kBufferBytes);
}

void TSound::RefillThread() {
  std::unique_lock<std::mutex> g(queueMutex_);
  for (;;) {
    wake_.wait(g, [this] { return quit_ || !returned_.empty(); });
    if (quit_) return;
    int index = returned_.front();
    returned_.pop_front();
    g.unlock();
    RefillAndQueue(index);
    g.lock();
  }
}

}  // namespace vantel

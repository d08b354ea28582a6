#include "platform/headless/HeadlessAudio.h"

#include <chrono>
#include <cstring>

namespace vantel {

bool HeadlessAudio::Open(const AudioFormat& format, BufferDone done) {
  if (openFails_) return false;
  std::lock_guard<std::mutex> g(mutex_);
  format_ = format;
  done_ = std::move(done);
  open_ = true;
  queueCalls_ = 0;
  return true;
}

void HeadlessAudio::Queue(int index, const void* data, size_t bytes) {
  {
    std::lock_guard<std::mutex> g(mutex_);
    if (!open_) return;
    Queued q{index, std::vector<int16_t>(bytes / 2)};
    std::memcpy(q.values.data(), data, q.values.size() * 2);
    queue_.push_back(std::move(q));
    ++queueCalls_;
  }
  queued_.notify_all();
}

bool HeadlessAudio::Pull(std::vector<int16_t>* out) {
  Queued q;
  BufferDone done;
  {
    std::lock_guard<std::mutex> g(mutex_);
    if (queue_.empty()) return false;
    q = std::move(queue_.front());
    queue_.pop_front();
    done = done_;
  }
  if (out) out->insert(out->end(), q.values.begin(), q.values.end());
  // Reported outside the lock: a synchronous refill queues again from here.
  if (done) done(q.index);
  return true;
}

std::vector<int16_t> HeadlessAudio::PullMany(int buffers) {
  std::vector<int16_t> out;
  for (int i = 0; i < buffers; ++i)
    if (!Pull(&out)) break;
  return out;
}

size_t HeadlessAudio::QueuedCount() const {
  std::lock_guard<std::mutex> g(mutex_);
  return queue_.size();
}

bool HeadlessAudio::WaitForQueued(size_t count, int ms) const {
  std::unique_lock<std::mutex> g(mutex_);
  return queued_.wait_for(g, std::chrono::milliseconds(ms), [&] { return queue_.size() >= count; });
}

int HeadlessAudio::QueueCalls() const {
  std::lock_guard<std::mutex> g(mutex_);
  return queueCalls_;
}

void HeadlessAudio::Reset() {
  std::lock_guard<std::mutex> g(mutex_);
  queue_.clear();
}

void HeadlessAudio::Close() {
  std::lock_guard<std::mutex> g(mutex_);
  queue_.clear();
  open_ = false;
  done_ = nullptr;
}

}  // namespace vantel

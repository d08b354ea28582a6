#include "sound/MpegAudio.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "base/Errors.h"

namespace vantel {
namespace {

// Without a bit rate in the record (free format) blocks are sized by this one.
constexpr uint32_t kFallbackBytesPerSec = 320000 / 8;
// Reads in a row that give no sound after which a conversion stops.
constexpr int kMaxIdleReads = 64;

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

std::unique_ptr<MpegConverter> MpegConverter::Create(const FormatBlock& format,
                                                     const WaveFormat& pcm, std::string* why) {
  auto fail = [&](std::string text) {
    if (why) *why = std::move(text);
    return nullptr;
  };
  if (pcm.channels < 1 || pcm.channels > 2)
    return fail("MPEG sound with other than 1 or 2 channels");
  if (pcm.samplesPerSec == 0) return fail("MPEG sound with a reserved sample rate");
  InitLibrary();
  int err = MPG123_OK;
  mpg123_handle* h = mpg123_new(nullptr, &err);
  if (!h) return fail(std::string("libmpg123: ") + mpg123_plain_strerror(err));
  std::unique_ptr<MpegConverter> c(new MpegConverter);
  c->handle_ = h;
  c->rate_ = pcm.samplesPerSec;
  c->channels_ = pcm.channels;
  c->avgBytes_ = WaveFormat::Read(format.data()).avgBytesPerSec;
  if (c->avgBytes_ == 0) c->avgBytes_ = kFallbackBytesPerSec;
  // Gapless trimming would end the stream at the first pass's last sample and
  // swallow a loop joined after it, so frames are decoded whole.
  mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(h);
  int encodings = MPG123_ENC_SIGNED_16;
  if (mpg123_format(h, static_cast<long>(pcm.samplesPerSec),
                    pcm.channels == 1 ? MPG123_MONO : MPG123_STEREO, encodings) != MPG123_OK ||
      mpg123_open_feed(h) != MPG123_OK)
    return fail(std::string("libmpg123: ") + mpg123_strerror(h));
  return c;
}

MpegConverter::~MpegConverter() {
  if (handle_) mpg123_delete(handle_);
}

uint32_t MpegConverter::SourceSize(uint32_t pcmBytes) const {
  uint64_t frames = pcmBytes / (channels_ * 2);
  // A record's byte rate may be anything: saturate rather than wrap round.
  return static_cast<uint32_t>(std::min<uint64_t>(frames * avgBytes_ / rate_, UINT32_MAX));
}

uint32_t MpegConverter::DestinationSize(uint32_t sourceBytes) const {
  uint64_t frames = static_cast<uint64_t>(sourceBytes) * rate_ / avgBytes_;
  // A tiny byte rate in the record must not wrap round to a small size.
  return static_cast<uint32_t>(std::min<uint64_t>(frames * channels_ * 2, UINT32_MAX));
}

uint64_t MpegConverter::PendingInput() const {
  long fill = 0;
  double exact = 0;
  if (mpg123_getstate(handle_, MPG123_BUFFERFILL, &fill, &exact) != MPG123_OK) return 0;
  return fill > 0 ? static_cast<uint64_t>(fill) : 0;
}

size_t MpegConverter::Convert(const uint8_t* source, size_t sourceBytes, uint8_t* pcm,
                              size_t capacity) {
  if (sourceBytes > 0 && mpg123_feed(handle_, source, sourceBytes) != MPG123_OK)
    throw DataError(std::string("MPEG audio: ") + mpg123_strerror(handle_));
  size_t written = 0;
  // Reads that give nothing without asking for more data cannot go on for
  // ever, whatever the stream holds.
  int idle = 0;
  while (written < capacity && idle < kMaxIdleReads) {
    size_t done = 0;
    int r = mpg123_read(handle_, pcm + written, capacity - written, &done);
    written += done;
    idle = done > 0 ? 0 : idle + 1;
    if (r == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, encoding = 0;
      mpg123_getformat(handle_, &rate, &channels, &encoding);
      if (rate != static_cast<long>(rate_) || channels != static_cast<int>(channels_))
        throw DataError("MPEG audio stream differs from its format record");
      continue;
    }
    if (r == MPG123_OK) continue;
    if (r == MPG123_NEED_MORE || r == MPG123_DONE) break;
    throw DataError(std::string("MPEG audio: ") + mpg123_strerror(handle_));
  }
  return written;
}

}  // namespace vantel

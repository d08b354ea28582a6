#include "sound/MsAdpcm.h"

#include <algorithm>
#include <cassert>

#include "base/Errors.h"

namespace vantel {
namespace {

// Step size adaptation by nibble: the step is scaled by entry / 256.
constexpr int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                 768, 614, 512, 409, 307, 230, 230, 230};

constexpr int64_t kMaxDelta = 1 << 24;

struct ChannelState {
  int coef1 = 0, coef2 = 0;
  int delta = 0;
  int sample1 = 0, sample2 = 0;  // the newest and the one before

  int16_t Next(int nibble) {
    // Arithmetic shift, not division: the prediction rounds toward minus infinity.
    // 64-bit: a file's own coefficients may be anything a 16-bit word holds.
    int64_t predicted = (int64_t{sample1} * coef1 + int64_t{sample2} * coef2) >> 8;
    int signedNibble = nibble >= 8 ? nibble - 16 : nibble;
    int value = static_cast<int>(
        std::clamp<int64_t>(predicted + int64_t{signedNibble} * delta, -32768, 32767));
    // Real streams keep the step far below the cap; damaged ones would grow
    // it without bound (every sample is clamped long before the cap).
    delta = static_cast<int>(
        std::clamp<int64_t>((int64_t{kAdaptation[nibble]} * delta) >> 8, 16, kMaxDelta));
    sample2 = sample1;
    sample1 = value;
    return static_cast<int16_t>(value);
  }
};

int16_t S16(const uint8_t* p) {
  return static_cast<int16_t>(Get16(p));
}

}  // namespace

std::unique_ptr<MsAdpcmConverter> MsAdpcmConverter::Create(const FormatBlock& format,
                                                           std::string* why) {
  auto fail = [&](const char* text) {
    if (why) *why = text;
    return nullptr;
  };
  WaveFormat f = WaveFormat::Read(format.data());
  if (f.channels < 1 || f.channels > 2) return fail("ADPCM sound with other than 1 or 2 channels");
  uint32_t header = 7u * f.channels;
  if (f.blockAlign < header) return fail("ADPCM block smaller than its header");
  if (f.extraSize < 4 || 18u + f.extraSize > format.size())
    return fail("ADPCM format record without its coefficient table");
  uint32_t samplesPerBlock = Get16(&format[18]);
  uint32_t count = Get16(&format[20]);
  if (count == 0 || 22u + 4u * count > 18u + f.extraSize)
    return fail("ADPCM coefficient table does not fit its record");
  uint32_t capacity = 2 + (f.blockAlign - header) * 2 / f.channels;
  if (samplesPerBlock < 2 || samplesPerBlock > capacity)
    return fail("ADPCM samples per block do not match the block size");
  std::unique_ptr<MsAdpcmConverter> c(new MsAdpcmConverter);
  c->channels_ = f.channels;
  c->blockAlign_ = f.blockAlign;
  c->samplesPerBlock_ = samplesPerBlock;
  for (uint32_t i = 0; i < count; ++i) {
    c->coef1_.push_back(S16(&format[22 + 4 * i]));
    c->coef2_.push_back(S16(&format[24 + 4 * i]));
  }
  return c;
}

uint32_t MsAdpcmConverter::FramesIn(uint32_t bytes) const {
  uint32_t header = 7u * channels_;
  if (bytes >= blockAlign_) return samplesPerBlock_;
  if (bytes < header) return 0;
  return std::min(samplesPerBlock_, 2 + (bytes - header) * 2 / channels_);
}

uint32_t MsAdpcmConverter::SourceSize(uint32_t pcmBytes) const {
  uint32_t blockPcm = samplesPerBlock_ * channels_ * 2;
  return pcmBytes / blockPcm * blockAlign_;
}

uint32_t MsAdpcmConverter::DestinationSize(uint32_t sourceBytes) const {
  uint32_t whole = sourceBytes / blockAlign_;
  uint32_t frames = whole * samplesPerBlock_ + FramesIn(sourceBytes % blockAlign_);
  return frames * channels_ * 2;
}

void MsAdpcmConverter::DecodeBlock(const uint8_t* block, uint32_t bytes, int16_t* out,
                                   uint32_t frames) const {
  ChannelState ch[2];
  const int n = channels_;
  for (int c = 0; c < n; ++c) {
    uint32_t predictor = block[c];
    if (predictor >= coef1_.size()) throw DataError("ADPCM block names a missing coefficient pair");
    ch[c].coef1 = coef1_[predictor];
    ch[c].coef2 = coef2_[predictor];
    ch[c].delta = S16(block + n + 2 * c);
    ch[c].sample1 = S16(block + 3 * n + 2 * c);
    ch[c].sample2 = S16(block + 5 * n + 2 * c);
  }
  // The two header samples come out oldest first.
  for (int c = 0; c < n; ++c) out[c] = static_cast<int16_t>(ch[c].sample2);
  if (frames > 1)
    for (int c = 0; c < n; ++c) out[n + c] = static_cast<int16_t>(ch[c].sample1);
  // Nibbles, high one first; in a stereo block the high nibble is the left
  // channel's and the low one the right's. FramesIn never counts more
  // nibbles than the block's bytes hold (nor does Create accept a samples
  // per block that would), so the reads stay inside the block.
  const uint8_t* p = block + 7 * n;
  uint32_t values = (frames > 2 ? frames - 2 : 0) * n;
  assert((values + 1) / 2 <= bytes - 7u * n);
  (void)bytes;
  int16_t* o = out + 2 * n;
  ChannelState& first = ch[0];
  ChannelState& second = ch[n - 1];  // the same state for mono
  for (uint32_t i = 0; i + 1 < values; i += 2, ++p) {
    *o++ = first.Next(*p >> 4);
    *o++ = second.Next(*p & 15);
  }
  if (values & 1) *o = first.Next(*p >> 4);  // an odd count ends on a high nibble
}

size_t MsAdpcmConverter::Convert(const uint8_t* source, size_t sourceBytes, uint8_t* pcm,
                                 size_t capacity) {
  size_t written = 0;
  size_t frameBytes = channels_ * 2u;
  while (sourceBytes > 0) {
    uint32_t bytes = static_cast<uint32_t>(std::min<size_t>(sourceBytes, blockAlign_));
    uint32_t frames = FramesIn(bytes);
    if (frames == 0) break;  // a tail too short to hold a block header
    size_t need = frames * frameBytes;
    if (written + need > capacity) break;
    if (reinterpret_cast<uintptr_t>(pcm + written) % alignof(int16_t) == 0) {
      DecodeBlock(source, bytes, reinterpret_cast<int16_t*>(pcm + written), frames);
    } else {
      scratch_.resize(frames * channels_);
      DecodeBlock(source, bytes, scratch_.data(), frames);
      std::memcpy(pcm + written, scratch_.data(), need);
    }
    written += need;
    source += bytes;
    sourceBytes -= bytes;
  }
  return written;
}

}  // namespace vantel

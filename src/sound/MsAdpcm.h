// Microsoft ADPCM (format tag 2) decoding into 16-bit PCM.
//
// The coefficient table comes from the format record's extra bytes
// (samples per block, coefficient count, coefficient pairs), so files with
// their own tables decode as written. Blocks are independent; a short last
// block decodes the samples its bytes hold. A predictor index outside the
// table raises DataError.
#pragma once

#include <vector>

#include "sound/SoundConverter.h"

namespace vantel {

class MsAdpcmConverter : public SoundConverter {
 public:
  // Checks the record; nullptr with `why` when it cannot describe ADPCM blocks.
  static std::unique_ptr<MsAdpcmConverter> Create(const FormatBlock& format, std::string* why);

  uint32_t SourceSize(uint32_t pcmBytes) const override;
  uint32_t DestinationSize(uint32_t sourceBytes) const override;
  size_t Convert(const uint8_t* source, size_t sourceBytes, uint8_t* pcm, size_t capacity) override;
  uint32_t BlockAlign() const override { return blockAlign_; }

  int Channels() const { return channels_; }
  int SamplesPerBlock() const { return samplesPerBlock_; }

 private:
  MsAdpcmConverter() = default;
  // Frames a block (or the first `bytes` of one) holds.
  uint32_t FramesIn(uint32_t bytes) const;
  void DecodeBlock(const uint8_t* block, uint32_t bytes, int16_t* out, uint32_t frames) const;

  int channels_ = 0;
  uint32_t blockAlign_ = 0;
  uint32_t samplesPerBlock_ = 0;
  std::vector<int> coef1_, coef2_;
  std::vector<int16_t> scratch_;  // for a destination not aligned to 16 bits
};

}  // namespace vantel
